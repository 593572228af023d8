// CreateFileA and friends over POSIX descriptors (CloseHandle closes threads'
// handles too). A share mode of 0 is made real with an exclusive flock, so a
// second opener is denied as on Windows; replacing or deleting a file that an
// opener holds is refused, as Wine does.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

#include "compat/win32.h"
#include "state.h"

using compat::FileObject;
using compat::state;

namespace {

FileObject* lookup(HANDLE handle) {
  auto* file = static_cast<FileObject*>(handle);
  return state().files.count(file) ? file : nullptr;
}

// Whether some opener (of this process or another) holds the file.
bool held(LPCSTR name) {
  int fd = open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool locked = flock(fd, LOCK_EX | LOCK_NB) != 0;
  close(fd);
  return locked;
}

// Called under the lock.
HANDLE openFile(LPCSTR name, DWORD access, DWORD shareMode, DWORD creation) {
  if (!name) return INVALID_HANDLE_VALUE;
  int mode = (access & GENERIC_WRITE) ? ((access & GENERIC_READ) ? O_RDWR : O_WRONLY) : O_RDONLY;
  if (creation == CREATE_ALWAYS) {
    mode |= O_CREAT;
  } else if (creation == CREATE_NEW) {
    mode |= O_CREAT | O_EXCL;
  } else if (creation != OPEN_EXISTING) {
    return INVALID_HANDLE_VALUE;
  }
  int fd = open(name, mode | O_CLOEXEC, 0644);
  if (fd < 0) return INVALID_HANDLE_VALUE;
  struct stat info;
  // A read-only file cannot be opened for writing, not even by root.
  bool usable = fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode) &&
                !((access & GENERIC_WRITE) && !(info.st_mode & S_IWUSR));
  // Take the lock before emptying the file, so that a denied CREATE_ALWAYS
  // leaves the other opener's file intact.
  int lockKind = shareMode == 0 ? LOCK_EX : LOCK_SH;
  if (!usable || flock(fd, lockKind | LOCK_NB) != 0 ||
      (creation == CREATE_ALWAYS && ftruncate(fd, 0) != 0)) {
    close(fd);
    return INVALID_HANDLE_VALUE;
  }
  auto* file = new FileObject{fd};
  state().files.insert(file);
  return file;
}

}  // namespace

extern "C" HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD shareMode, void*, DWORD creation,
                              DWORD, HANDLE) {
  std::lock_guard<std::mutex> guard(state().lock);
  return openFile(name, access, shareMode, creation);
}

extern "C" HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD shareMode, void*, DWORD creation,
                              DWORD, HANDLE) {
  if (!name) return INVALID_HANDLE_VALUE;
  const std::string path = compat::utf8Of(name);
  std::lock_guard<std::mutex> guard(state().lock);
  return openFile(path.c_str(), access, shareMode, creation);
}

extern "C" BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD count, LPDWORD done, void*) {
  std::lock_guard<std::mutex> guard(state().lock);
  if (done) *done = 0;
  FileObject* file = lookup(handle);
  if (!file) return FALSE;
  DWORD total = 0;
  while (total < count) {
    ssize_t got = read(file->fd, static_cast<char*>(buffer) + total, count - total);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return FALSE;
    if (got == 0) break;
    total += static_cast<DWORD>(got);
  }
  if (done) *done = total;
  return TRUE;
}

extern "C" BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD count, LPDWORD done, void*) {
  std::lock_guard<std::mutex> guard(state().lock);
  if (done) *done = 0;
  FileObject* file = lookup(handle);
  if (!file) return FALSE;
  DWORD total = 0;
  while (total < count) {
    ssize_t put = write(file->fd, static_cast<const char*>(buffer) + total, count - total);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) break;
    total += static_cast<DWORD>(put);
  }
  if (done) *done = total;
  return total == count ? TRUE : FALSE;
}

extern "C" BOOL SetFilePointerEx(HANDLE handle, LARGE_INTEGER distance, LARGE_INTEGER* position,
                                 DWORD method) {
  std::lock_guard<std::mutex> guard(state().lock);
  FileObject* file = lookup(handle);
  const int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : SEEK_END;
  if (!file || method > FILE_END) return FALSE;
  const off_t at = lseek(file->fd, static_cast<off_t>(distance.QuadPart), whence);
  if (at < 0) return FALSE;
  if (position) position->QuadPart = at;
  return TRUE;
}

extern "C" DWORD GetFileSize(HANDLE handle, LPDWORD high) {
  std::lock_guard<std::mutex> guard(state().lock);
  FileObject* file = lookup(handle);
  struct stat info;
  if (!file || fstat(file->fd, &info) != 0) return INVALID_FILE_SIZE;
  auto size = static_cast<std::uint64_t>(info.st_size);
  if (high) *high = static_cast<DWORD>(size >> 32);
  return static_cast<DWORD>(size);
}

extern "C" BOOL CloseHandle(HANDLE handle) {
  std::lock_guard<std::mutex> guard(state().lock);
  FileObject* file = lookup(handle);
  if (!file) return compat::closeThread(handle) ? TRUE : FALSE;
  state().files.erase(file);
  close(file->fd);
  delete file;
  return TRUE;
}

// Windows refuses to replace a directory, a read-only file or a file open
// without delete sharing; Wine any open file. A file of ours is never opened
// with delete sharing, so a held file is refused here.
extern "C" BOOL MoveFileExA(LPCSTR existing, LPCSTR target, DWORD flags) {
  std::lock_guard<std::mutex> guard(state().lock);
  if (!existing || !target || held(existing)) return FALSE;
  struct stat info;
  if (stat(target, &info) == 0 && (!(flags & MOVEFILE_REPLACE_EXISTING) || S_ISDIR(info.st_mode) ||
                                   !(info.st_mode & S_IWUSR) || held(target))) {
    return FALSE;
  }
  return rename(existing, target) == 0 ? TRUE : FALSE;
}

extern "C" BOOL DeleteFileA(LPCSTR name) {
  std::lock_guard<std::mutex> guard(state().lock);
  if (!name || held(name)) return FALSE;
  return unlink(name) == 0 ? TRUE : FALSE;
}

extern "C" DWORD GetFileAttributesA(LPCSTR name) {
  struct stat info;
  if (!name || stat(name, &info) != 0) return INVALID_FILE_ATTRIBUTES;
  if (S_ISDIR(info.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
  return (info.st_mode & S_IWUSR) ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
}

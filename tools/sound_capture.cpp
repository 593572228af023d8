// The other end of the sound card that Wine plays to here (ALSA's file
// plug-in writing into a named pipe), and the check of what arrived.
//
//   sound_capture record FIFO OUT.wav
//     Drains FIFO at the rate of 44.1 kHz 16-bit stereo, as a card would,
//     into OUT.wav, until SIGTERM or SIGINT. The pipe is opened for reading
//     and writing, so that the writer closing and reopening it is no end.
//   sound_capture find CAPTURE SOURCE.wav
//     Exit status 0 when the samples of SOURCE.wav arrived in CAPTURE (a WAV
//     file or raw samples) whole and unchanged, in one run.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "wav_file.h"

namespace {

constexpr int kRate = 44100, kChannels = 2, kBits = 16;
constexpr double kBytesPerSecond = kRate * kChannels * kBits / 8;

volatile std::sig_atomic_t stopping = 0;
void onSignal(int) {
  stopping = 1;
}

double now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

bool writeWav(const std::string& path, const std::vector<std::uint8_t>& samples) {
  const std::vector<std::uint8_t> file = wav::wavFile(samples, kRate, kChannels, kBits);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  return static_cast<bool>(out);
}

int record(const char* fifo, const std::string& out) {
  const int fd = open(fifo, O_RDWR);
  if (fd < 0) {
    std::perror(fifo);
    return 1;
  }
  fcntl(fd, F_SETPIPE_SZ, 4096);  // a small pipe: the writer waits as on a card
  struct sigaction action = {};
  action.sa_handler = onSignal;  // no SA_RESTART: a signal ends a waiting read
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  std::vector<std::uint8_t> samples;
  char buffer[1764];  // 10 ms
  double due = now();
  while (!stopping) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) continue;
    samples.insert(samples.end(), buffer, buffer + n);
    due = std::max(due, now()) + n / kBytesPerSecond;
    const double wait = due - now();
    if (wait > 0) usleep(static_cast<useconds_t>(wait * 1e6));
  }
  return writeWav(out, samples) ? 0 : 1;
}

std::vector<std::uint8_t> readFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The data chunk of a WAV file, or the whole file when it is not one.
std::vector<std::uint8_t> samplesOf(const std::vector<std::uint8_t>& file) {
  if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) || std::memcmp(&file[8], "WAVE", 4))
    return file;
  std::size_t at = 12;
  while (at + 8 <= file.size()) {
    const std::uint32_t size = file[at + 4] | file[at + 5] << 8 | file[at + 6] << 16 |
                               static_cast<std::uint32_t>(file[at + 7]) << 24;
    const std::size_t start = at + 8;
    if (!std::memcmp(&file[at], "data", 4)) {
      const std::size_t end = std::min<std::size_t>(file.size(), start + size);
      return std::vector<std::uint8_t>(file.begin() + static_cast<long>(start),
                                       file.begin() + static_cast<long>(end));
    }
    at = start + size + (size & 1);
  }
  return {};
}

int find(const char* capturePath, const char* sourcePath) {
  const std::vector<std::uint8_t> capture = samplesOf(readFile(capturePath));
  const std::vector<std::uint8_t> source = samplesOf(readFile(sourcePath));
  if (source.empty()) {
    std::printf("%s holds no samples\n", sourcePath);
    return 1;
  }
  const auto at = std::search(capture.begin(), capture.end(), source.begin(), source.end());
  if (at == capture.end()) {
    std::printf("the sound of %s did not arrive unchanged (captured %zu bytes, %.3f s)\n",
                sourcePath, capture.size(), capture.size() / kBytesPerSecond);
    return 1;
  }
  std::printf("captured sound: all %zu bytes (%.3f s) of %s, unchanged, from %.3f s on\n",
              source.size(), source.size() / kBytesPerSecond, sourcePath,
              (at - capture.begin()) / kBytesPerSecond);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && !std::strcmp(argv[1], "record")) return record(argv[2], argv[3]);
  if (argc == 4 && !std::strcmp(argv[1], "find")) return find(argv[2], argv[3]);
  std::fprintf(stderr, "usage: sound_capture record FIFO OUT.wav | find CAPTURE SOURCE.wav\n");
  return 2;
}

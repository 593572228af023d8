# cmake -DBUILD=... -DSDK_DIR=... -DZIP=... -DPACKAGE_DIR=... -DCPACK=... -P package.cmake
# Installs the SDK afresh into SDK_DIR, packs it with CPack and puts the zip at
# ZIP, with SHA256SUMS beside it (checked by `sha256sum -c SHA256SUMS`).
file(REMOVE_RECURSE ${SDK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${SDK_DIR} COMMAND_ERROR_IS_FATAL ANY
                OUTPUT_QUIET)
execute_process(COMMAND ${CPACK} --config ${BUILD}/CPackConfig.cmake WORKING_DIRECTORY ${BUILD}
                COMMAND_ERROR_IS_FATAL ANY OUTPUT_QUIET)
get_filename_component(name ${ZIP} NAME)
get_filename_component(dist ${ZIP} DIRECTORY)
# Zips of other versions go; this version's own is copied anew just below.
file(GLOB earlier ${dist}/dropin-sdk-*.zip)
if(earlier)
  file(REMOVE ${earlier})
endif()
file(COPY_FILE ${PACKAGE_DIR}/${name} ${ZIP})
file(SHA256 ${ZIP} sum)
file(WRITE ${dist}/SHA256SUMS "${sum}  ${name}\n")

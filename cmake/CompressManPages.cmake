# Run by CPack before it builds the packages: Debian wants manual pages
# compressed with gzip at the highest level, and -n keeps them byte-identical
# between builds. Installed uncompressed, they stay readable for man after a
# plain cmake --install.
file(GLOB_RECURSE files "${CPACK_TEMPORARY_DIRECTORY}/*")
list(FILTER files INCLUDE REGEX "/share/man/(.+/)?man[1-9]/[^/]+\\.[1-9]$")
foreach(page IN LISTS files)
  execute_process(COMMAND gzip -9nf "${page}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()

# What `cmake --install` and `cpack -G DEB` deliver: the programs and their manual
# pages, nothing else (the worker library and the tests stay in the build tree).
include(GNUInstallDirs)

set(flatebits_programs rawinflate lztokens byteslice streamscan tokdeflate)

install(TARGETS ${flatebits_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The pages are installed as they are in the source tree, so that `man -l man/<program>.1`
# shows the same footer as the installed page. Their version is written in each page, and
# the test ManPages.FormatWithoutWarnings fails when it is not project()'s.
foreach(program IN LISTS flatebits_programs)
  install(FILES ${PROJECT_SOURCE_DIR}/man/${program}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# dpkg-shlibdeps looks dependencies up among the libraries of this machine only, so only a
# native build makes a Debian package; a cross build still installs with cmake --install.
if(NOT CMAKE_CROSSCOMPILING)
  set(CPACK_PACKAGE_NAME flatebits)
  set(CPACK_PACKAGE_VENDOR "flatebits developers")
  set(CPACK_PACKAGE_CONTACT "flatebits developers <flatebits@localhost>")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
      "console tools for the building blocks of DEFLATE streams")
  # Debian's control file wants the long description in lines of at most 80 characters,
  # so the string is broken at the margin rather than indented.
  set(CPACK_PACKAGE_DESCRIPTION
"rawinflate decodes a raw DEFLATE stream (RFC 1951) and prints one statistics
line per block. lztokens writes the greedy LZ77 parse of a file as a stream of
4-byte tokens, at one of ten levels, and tokdeflate codes such tokens as a raw
DEFLATE stream, so the kit compresses end to end. byteslice copies a byte range
out of a file, for example the raw stream inside a gzip member. streamscan finds
every DEFLATE stream inside a file, with its exact extent and whether it is
intact.")
  set(CPACK_STRIP_FILES ON)

  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The package's files go in as a plain tar: packing it needs no compressor.
  set(CPACK_DEBIAN_COMPRESSION_TYPE none)

  include(CPack)
endif()

# The Debian package: `cpack -G DEB` in a build folder (scripts/package-deb.sh does it all).
include(GNUInstallDirs)

# Debian wants manual pages and changelogs compressed, and without a time stamp in the gzip
# header so that two builds give the same bytes.
function(xiuyun_install_gzipped source destination)
  get_filename_component(name "${source}" NAME)
  set(compressed "${CMAKE_CURRENT_BINARY_DIR}/gzipped/${name}.gz")
  file(MAKE_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}/gzipped")
  execute_process(COMMAND gzip -9 -n -c "${source}" OUTPUT_FILE "${compressed}" COMMAND_ERROR_IS_FATAL ANY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${source}")
  install(FILES "${compressed}" DESTINATION "${destination}")
endfunction()

if(XIUYUN_BUILD_GUI)
  install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
  xiuyun_install_gzipped(${PROJECT_SOURCE_DIR}/data/debian/changelog ${CMAKE_INSTALL_DOCDIR})
endif()

set(CPACK_PACKAGE_NAME xiuyun)
set(CPACK_PACKAGE_VENDOR "xiuyun maintainers")
set(CPACK_PACKAGE_CONTACT "xiuyun maintainers <maintainers@users.noreply.c-seed-9534804d.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "photo album downloader for an image-gallery site")
set(CPACK_PACKAGE_DESCRIPTION [=[
Xiuyun reads the list pages of one image-gallery site (a category or
tag, a regional or the featured list, a search result, an agency list)
or a single album, and saves every image of every album on disk, with
a chosen number of downloads in flight. It caches each list page once,
downloads an album again when some of its images came out too small,
keeps a history of what was downloaded on request, and can cancel a
download and remove what it left behind.

It runs in a Qt window, or without one from the command line for
scripts and servers. A build without a real site serves a sample
gallery of the site's shape on a loopback port inside the program.]=])
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# dpkg-shlibdeps turns the libraries the binary links into Depends, with the versions of this
# distribution.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
# The folders in the package get 755 whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_GENERATOR DEB)
include(CPack)

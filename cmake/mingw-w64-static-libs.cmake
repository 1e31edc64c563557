# Read at the end of project() by cmake/mingw-w64-x86_64.cmake, after the platform files: the
# Windows build links static libraries only.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)

# The Windows ZIP of velnip.dll, its import library and velnip.h, made with
# CPack (cpack in the build folder). The Debian packages are built the
# Debian way, from debian/ with dpkg-buildpackage.
if(NOT WIN32)
  return()
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME velnip)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Velnor")
set(CPACK_PACKAGE_CONTACT "Velnor developers <velnor@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Network information for the local network as plain C functions")
set(CPACK_STRIP_FILES TRUE)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(CPACK_SYSTEM_NAME win64)
else()
  set(CPACK_SYSTEM_NAME win32)
endif()

include(CPack)

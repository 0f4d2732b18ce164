# Packages made with CPack (cpack in the build folder):
# - Linux: a Debian package of the program, velnip and its platform library,
#   the header, the pkg-config file, the menu entry and the icon; its
#   dependencies come from dpkg-shlibdeps.
# - Windows: a ZIP of velnip.dll, its import library and velnip.h.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Velnor")
set(CPACK_PACKAGE_CONTACT "Velnor developers <velnor@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Shows who is on the local network")
set(CPACK_STRIP_FILES TRUE)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME velnip)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME velnor)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION net)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # A shlibs file, so that programs built against velnip get their own
  # dependency on this package from dpkg-shlibdeps.
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
  # The window's Japanese text needs a Japanese font; IPAPGothic stands in
  # for the font the windows name.
  # ieee-data: the makers of network cards that velnor-scan and the host
  # table show.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic, ieee-data")
  # The summary above is the first line; CPack indents these lines.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "Velnor walks the network browse list (workgroups, computers, disk shares),
resolves every computer to an IPv4 address and a MAC address and shows them
as a table, a tree and copyable text. Its interface is Japanese.

The package also holds velnip, the library of its 13 plain C exports, with
its header and pkg-config file.")
endif()

include(CPack)

# The Debian package: `cpack -G DEB` in a build folder (best a Release one) gives
# kova_<version>_<arch>.deb with both programs and the desktop files below /usr.
set(CPACK_PACKAGE_NAME kova)
set(CPACK_PACKAGE_VENDOR "KOVA Software team")
set(CPACK_PACKAGE_CONTACT "KOVA Software team <team@kova.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Frequency coordination for wireless microphones and in-ear monitors")
# The long description, in lines a package manager shows as they are.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "KOVA checks a set of wireless microphone and in-ear monitor channels against"
  "channel spacing, the allowed spectrum and the intermodulation products of all"
  "pairs and triples of transmitters, searches compatible frequencies and draws"
  "the spectrum. kova is the desktop program; kova-cli runs the same computations"
  "without a display.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The shared libraries the programs link (Qt 6, the C++ runtime) become Depends through
# dpkg-shlibdeps. The desktop's file type, launcher and icon caches are refreshed by the
# triggers of shared-mime-info, desktop-file-utils and the icon theme packages.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, hicolor-icon-theme")

include(CPack)

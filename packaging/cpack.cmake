# The Debian package, quelvane_<version>_<architecture>.deb: what
# `cmake --install` puts under /usr, with its library dependencies read from
# the program by dpkg-shlibdeps. Built by scripts/package, or
# `cmake --build build --target package`.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quelvane)
set(CPACK_PACKAGE_VENDOR "The Quelvane developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tidy every text file of a folder in one batch")
# One line per line of the package's long description.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Quelvane tidies every .txt file of one chosen folder in place: it replaces"
  "whole lines by rule, joins hard-broken lines into paragraphs or divides"
  "them into pieces of N characters, finds and replaces text, edits the head"
  "and tail of every paragraph and deletes or evens out blank lines. It is"
  "made for large Chinese texts in GBK or UTF-8, and its window speaks"
  "Simplified Chinese.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Quelvane developers")
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Without a CJK font the captions are empty boxes; without Qt's translations
# the standard buttons speak English.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-wqy-microhei, qt6-translations-l10n")

include(CPack)

# The Debian package: "cpack -G DEB" in the build folder makes
# tarvo_VERSION_ARCH.deb from what "cmake --install" installs, under /usr.
set(TARVO_PACKAGE_MAINTAINER "Tarvo maintainers <maintainers@tarvo.invalid>" CACHE STRING
    "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
# Values reach the package as written, quotation marks included.
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_NAME tarvo)
set(CPACK_PACKAGE_VENDOR "Tarvo")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor of the language pack of a phone's flash image")
# Lines of the extended description as "dpkg-deb --info" shows them.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Tarvo edits the language pack (\"LGpack\") of a family of mobile phones:\n"
  "the compressed table of every text the phone shows, one string per\n"
  "language and message number. It decompiles the pack of a flash image or\n"
  "an SL4x language file into an editable UTF-16LE text file and compiles\n"
  "that text back into the flash image. A compact packing fits longer\n"
  "translations into the phone's room, a check reports before a compile\n"
  "what will fit and what is wrong with the text, and a language can go to\n"
  "translation tools as a gettext PO file and come back.\n"
  "\n"
  "The package holds the window (tarvo) and the command-line tool\n"
  "(tarvo-cli), the default phone configuration, manual pages, bash\n"
  "completion and example files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TARVO_PACKAGE_MAINTAINER}")
# The libraries the binaries link (Qt, the C++ runtime) become the dependencies.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS bash-completion)
# The editor checks spelling with the Hunspell dictionaries of these packages.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "hunspell-en-us | hunspell-dictionary, hunspell-de-de, hunspell-fr, hunspell-es, hunspell-it, hunspell-pl, hunspell-ru, hunspell-pt-pt")
include(CPack)

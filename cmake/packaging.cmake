# What the release packages hold, made by CPack in the build folder (CMakePresets.json's
# package presets; `make dist` gathers them in dist/):
#   Windows: Varnel.exe, palconv.exe, README.md, LICENSE and examples/ as a zip
#     (Varnel-VERSION-win32.zip) and as a per-user installer (Varnel-VERSION-setup.exe) from
#     cmake/NSIS.template.in, whose stub matches the build: x86-unicode or amd64-unicode.
#   Elsewhere: palconv as a Debian package (palconv_VERSION_ARCH.deb), with the manual page
#     help2man draws from `palconv --help` when VARNEL_MANPAGE is on (the deb preset).
set(CPACK_PACKAGE_NAME Varnel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})  # all four numbers
set(CPACK_PACKAGE_VENDOR "The Varnel Pallete Converter authors")
# Names that depend on the generator: the installer is Varnel-VERSION-setup.exe.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack_generator.cmake)

if(WIN32)
  install(TARGETS Varnel palconv RUNTIME DESTINATION .)
  install(FILES README.md LICENSE DESTINATION .)
  # LittleCMS's MIT licence asks for its notice in every copy, the programs included.
  install(FILES ${VARNEL_THIRD_PARTY_DIR}/lcms2/COPYING DESTINATION . RENAME LittleCMS-LICENSE.txt)
  # libjpeg-turbo's licences (IJG's and BSD) ask the same of its notice in what we ship.
  install(FILES ${VARNEL_THIRD_PARTY_DIR}/libjpeg/LICENSE.md DESTINATION .
    RENAME libjpeg-turbo-LICENSE.txt)
  # So does expat's.
  install(FILES ${VARNEL_THIRD_PARTY_DIR}/expat/expat/COPYING DESTINATION . RENAME expat-LICENSE.txt)
  # And nlohmann-json's MIT notice.
  install(FILES ${VARNEL_THIRD_PARTY_DIR}/nlohmann_json/LICENSE.MIT DESTINATION .
    RENAME nlohmann-json-LICENSE.txt)
  install(DIRECTORY examples DESTINATION .)
  set(CPACK_GENERATOR ZIP NSIS)
  set(CPACK_NSIS_PACKAGE_NAME "Varnel Pallete Converter")
  set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/res/varnel.ico)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_NSIS_VARNEL_TARGET amd64-unicode)
  else()
    set(CPACK_NSIS_VARNEL_TARGET x86-unicode)
  endif()
  include(open_with)
  varnel_open_with_extensions(extensions)
  # (CPack evaluates its variables once more when it reads them: ${macro} must survive that.)
  list(TRANSFORM extensions PREPEND "  !insertmacro \\\${macro} ")
  list(JOIN extensions "\n" CPACK_NSIS_VARNEL_EXTENSIONS)
else()
  install(TARGETS palconv RUNTIME DESTINATION bin)
  install(FILES LICENSE DESTINATION share/doc/palconv RENAME copyright)
  option(VARNEL_MANPAGE "Draw palconv's manual page with help2man" OFF)
  if(VARNEL_MANPAGE)
    find_program(VARNEL_HELP2MAN help2man REQUIRED)
    add_custom_command(OUTPUT palconv.1.gz
      COMMAND ${VARNEL_HELP2MAN} --no-info --section=1 --output=palconv.1
              "--name=convert 256-colour palettes between JASC-PAL, ACT and other formats"
              $<TARGET_FILE:palconv>
      COMMAND gzip -9nf palconv.1
      DEPENDS palconv VERBATIM)
    add_custom_target(palconv_manpage ALL DEPENDS palconv.1.gz)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/palconv.1.gz DESTINATION share/man/man1)
  endif()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_PACKAGE_NAME palconv)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Varnel Pallete Converter authors <varnel@example.org>")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert 256-colour palettes between JASC-PAL, ACT and other formats")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [[palconv converts palette files between JASC-PAL text (.pal), ACT colour
tables (.act), GIMP palettes, Lospec hex lists, Paint.NET, RIFF, Photoshop
swatches, Adobe swatch exchange and raw RGB bytes. It finds a file's format
by its contents, lists a palette's colours, and says what a conversion
cannot keep. Files are replaced only once their new contents are complete.]])
endif()
include(CPack)

# The program's translations: src/gui/translations/prolamo_<language>.ts, kept up to date with the
# sources by the target prolamo_update_translations (lupdate), made into .qm files by lrelease and
# compiled into prolamo_gui's resources under :/i18n, so that Q_INIT_RESOURCE(prolamo_translations)
# finds them. lupdate and lrelease run on the build machine: a cross build takes the host Qt's, as
# it takes its moc and rcc.
if(CMAKE_CROSSCOMPILING)
  find_package(Qt6LinguistTools REQUIRED PATHS ${QT_HOST_PATH_CMAKE_DIR} NO_DEFAULT_PATH
               NO_CMAKE_FIND_ROOT_PATH)
else()
  find_package(Qt6 REQUIRED COMPONENTS LinguistTools)
endif()

set(prolamo_languages de)
set(ts_files)
foreach(language ${prolamo_languages})
  list(APPEND ts_files ${CMAKE_CURRENT_SOURCE_DIR}/translations/prolamo_${language}.ts)
endforeach()

# The engine marks the texts it lets the desktop program translate with PROLAMO_TRANSLATE_NOOP.
add_custom_target(prolamo_update_translations
  COMMAND Qt6::lupdate -locations none -no-obsolete
          -tr-function-alias QT_TRANSLATE_NOOP+=PROLAMO_TRANSLATE_NOOP
          ${PROJECT_SOURCE_DIR}/src/gui ${PROJECT_SOURCE_DIR}/src/framework ${PROJECT_SOURCE_DIR}/src/profiles
          ${PROJECT_SOURCE_DIR}/src/classes
          ${PROJECT_SOURCE_DIR}/src/switching ${PROJECT_SOURCE_DIR}/src/service -ts ${ts_files}
  COMMENT "Updating the translations from the sources"
  VERBATIM)

set(i18n ${CMAKE_CURRENT_BINARY_DIR}/i18n)
set(qm_files)
set(qrc_entries)
foreach(language ${prolamo_languages})
  set(ts ${CMAKE_CURRENT_SOURCE_DIR}/translations/prolamo_${language}.ts)
  set(qm ${i18n}/prolamo_${language}.qm)
  add_custom_command(OUTPUT ${qm}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${i18n}
    COMMAND Qt6::lrelease -silent ${ts} -qm ${qm}
    DEPENDS ${ts}
    VERBATIM)
  list(APPEND qm_files ${qm})
  string(APPEND qrc_entries "    <file>prolamo_${language}.qm</file>\n")
  # Qt's own texts (file dialogs, key names in the menus, edit menus) from the build machine's Qt,
  # Debian's qt6-translations-l10n, which Qt for Windows is built without.
  find_file(PROLAMO_QTBASE_QM_${language} qtbase_${language}.qm PATHS /usr/share/qt6/translations
            NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(qtbase_qm ${i18n}/qtbase_${language}.qm)
  add_custom_command(OUTPUT ${qtbase_qm}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${i18n}
    COMMAND ${CMAKE_COMMAND} -E copy ${PROLAMO_QTBASE_QM_${language}} ${qtbase_qm}
    DEPENDS ${PROLAMO_QTBASE_QM_${language}}
    VERBATIM)
  list(APPEND qm_files ${qtbase_qm})
  string(APPEND qrc_entries "    <file>qtbase_${language}.qm</file>\n")
endforeach()
file(WRITE ${i18n}/translations.qrc
  "<RCC>\n  <qresource prefix=\"/i18n\">\n${qrc_entries}  </qresource>\n</RCC>\n")
set(PROLAMO_TRANSLATION_RESOURCES ${i18n}/qrc_prolamo_translations.cpp)
add_custom_command(OUTPUT ${PROLAMO_TRANSLATION_RESOURCES}
  # zlib, not zstd: Qt for Windows is built without zstd.
  COMMAND Qt6::rcc --no-zstd --name prolamo_translations -o ${PROLAMO_TRANSLATION_RESOURCES} ${i18n}/translations.qrc
  DEPENDS ${qm_files} ${i18n}/translations.qrc
  VERBATIM)

# prolamo-<version>-x64.msi, made with wixl (Debian's msitools): the desktop program, the command
# line and the help pages under Program Files, with a Start-menu shortcut. wixl takes its source
# files relative to the folder it runs in, the build's top folder.
find_program(PROLAMO_WIXL wixl)
if(NOT PROLAMO_WIXL)
  message(STATUS "wixl not found: no installer (scripts/install-deps.sh installs it)")
  return()
endif()
set(PROLAMO_MSI_VERSION ${PROJECT_VERSION})
file(RELATIVE_PATH PROLAMO_MSI_ICON ${PROJECT_BINARY_DIR} ${PROLAMO_ICO})
file(RELATIVE_PATH PROLAMO_MSI_BIN ${PROJECT_BINARY_DIR} ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
file(RELATIVE_PATH PROLAMO_MSI_POLICY ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR}/installer/policy)
set(PROLAMO_MSI_HELP_FILES "")
foreach(page ${help_pages} help.css)
  string(APPEND PROLAMO_MSI_HELP_FILES
    "                <File Id=\"help_${page}\" Name=\"${page}\" Source=\"${PROLAMO_MSI_BIN}/help/html/${page}\"/>\n")
endforeach()
# A folder and a component per translation of the pages; the component's GUID follows from its
# language, so that it stays the same from one build to the next.
set(PROLAMO_MSI_HELP_LANGUAGES "")
set(PROLAMO_MSI_HELP_LANGUAGE_REFS "")
foreach(language ${help_languages})
  string(UUID guid NAMESPACE D47B2E95-1C6A-4F38-B0E2-7A9C5D3F1B86 NAME help_${language} TYPE SHA1 UPPER)
  string(APPEND PROLAMO_MSI_HELP_LANGUAGES
    "              <Directory Id=\"HelpPagesFolder_${language}\" Name=\"${language}\">\n"
    "                <Component Id=\"HelpPages_${language}\" Guid=\"${guid}\" Win64=\"yes\">\n")
  foreach(page ${help_pages})
    string(APPEND PROLAMO_MSI_HELP_LANGUAGES "                  <File Id=\"help_${language}_${page}\" Name=\"${page}\" "
      "Source=\"${PROLAMO_MSI_BIN}/help/html/${language}/${page}\"/>\n")
  endforeach()
  string(APPEND PROLAMO_MSI_HELP_LANGUAGES "                </Component>\n              </Directory>\n")
  string(APPEND PROLAMO_MSI_HELP_LANGUAGE_REFS "      <ComponentRef Id=\"HelpPages_${language}\"/>\n")
endforeach()
set(PROLAMO_WXS ${CMAKE_CURRENT_BINARY_DIR}/prolamo.wxs CACHE INTERNAL "The installer's source")
set(wxs ${PROLAMO_WXS})
configure_file(${PROJECT_SOURCE_DIR}/installer/prolamo.wxs.in ${wxs} @ONLY)
set(PROLAMO_MSI ${PROJECT_BINARY_DIR}/prolamo-${PROJECT_VERSION}-x64.msi CACHE INTERNAL "The installer")
add_custom_command(OUTPUT ${PROLAMO_MSI}
  COMMAND ${PROLAMO_WIXL} -a x64 -o ${PROLAMO_MSI} ${wxs}
  DEPENDS ${wxs} prolamo prolamo-cli prolamo-service ${PROLAMO_ICO}
    ${PROJECT_SOURCE_DIR}/installer/policy/prolamo.admx ${PROJECT_SOURCE_DIR}/installer/policy/en-US/prolamo.adml
  WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
  COMMENT "Making the installer ${PROLAMO_MSI}"
  VERBATIM)
add_custom_target(prolamo_msi ALL DEPENDS ${PROLAMO_MSI})

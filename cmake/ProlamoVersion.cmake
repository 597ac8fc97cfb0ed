# prolamo_embed_version(<target>): gives the executable a VS_VERSIONINFO record built from
# PROJECT_VERSION, which GetFileVersionInfo finds. On Windows a resource script does this instead.
function(prolamo_embed_version target)
  if(WIN32)
    string(REGEX MATCHALL "[0-9]+" parts "${PROJECT_VERSION}.0.0.0")
    list(SUBLIST parts 0 4 parts)
    list(JOIN parts "." PROLAMO_RC_VERSION)
    list(JOIN parts "," PROLAMO_RC_VERSION_COMMAS)
    set(PROLAMO_RC_TARGET "${target}")
    set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc")
    configure_file("${PROJECT_SOURCE_DIR}/cmake/version.rc.in" "${rc}" @ONLY)
    target_sources(${target} PRIVATE "${rc}")
    return()
  endif()
  set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}_version_record.cpp")
  add_custom_command(OUTPUT "${out}"
    COMMAND prolamo_mkversion "${out}" "${PROJECT_VERSION}" "${PROJECT_NAME}" "Orvenik"
            "${PROJECT_DESCRIPTION}" "${target}"
    DEPENDS prolamo_mkversion
    COMMENT "Writing the version record of ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE "${out}")
endfunction()

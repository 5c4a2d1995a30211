# tavrel_windows_manifest(TARGET NAME): builds cmake/windows.manifest.in into the Windows program
# TARGET as its manifest resource, NAME naming it in the manifest's identity.
function(tavrel_windows_manifest target name)
  set(MANIFEST_NAME ${name})
  set(MANIFEST_PROGRAM ${target}.exe)
  set(manifest ${CMAKE_BINARY_DIR}/generated/${target}.manifest)
  set(rc ${CMAKE_BINARY_DIR}/generated/${target}.manifest.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows.manifest.in ${manifest} @ONLY)
  # Resource 1 of type RT_MANIFEST (24): read by the system when the process is created.
  file(CONFIGURE OUTPUT ${rc} CONTENT "1 24 \"${manifest}\"\n")
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${manifest})
  target_sources(${target} PRIVATE ${rc})
endfunction()

# Builds one Windows Installer package with wixl, and its SHA-256 beside it as the zips have theirs.
#   cmake -DWIXL=... -DWXS=... -DEXE=... -DICON=... -DVERSION=1.1.0.1 -DARCH=x86|x64 -DOUTPUT=....msi -P build_msi.cmake
# wixl takes the files it packs relative to its working folder, so they are staged beside each other.
foreach(name WIXL WXS EXE ICON VERSION ARCH OUTPUT)
  if(NOT ${name})
    message(FATAL_ERROR "build_msi.cmake needs -D${name}=...")
  endif()
endforeach()
get_filename_component(stage "${OUTPUT}.files" ABSOLUTE)
file(REMOVE_RECURSE "${stage}")
file(MAKE_DIRECTORY "${stage}")
file(COPY "${EXE}" DESTINATION "${stage}")
file(COPY "${ICON}" DESTINATION "${stage}")
get_filename_component(exe_name "${EXE}" NAME)
get_filename_component(icon_name "${ICON}" NAME)
# wixl warns about the WiX 3 attributes it does not know (Secure, Platform, ForceDeleteOnUninstall):
# its output is shown only when it fails.
execute_process(
  COMMAND "${WIXL}" -a ${ARCH} -D Version=${VERSION} -D Arch=${ARCH} -D ExePath=${exe_name} -D IconFile=${icon_name}
          -o "${OUTPUT}" "${WXS}"
  WORKING_DIRECTORY "${stage}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE out
  ERROR_VARIABLE out)
file(REMOVE_RECURSE "${stage}")
if(NOT result EQUAL 0 OR NOT EXISTS "${OUTPUT}")
  message(FATAL_ERROR "wixl failed (${result}):\n${out}")
endif()
# With -DSIGN_SCRIPT=.../cmake/sign.cmake the package is signed before its checksum is taken, so the
# checksum is of what ships.
if(SIGN_SCRIPT)
  execute_process(COMMAND "${CMAKE_COMMAND}" "-DFILE=${OUTPUT}" -P "${SIGN_SCRIPT}" COMMAND_ERROR_IS_FATAL ANY)
endif()
file(SHA256 "${OUTPUT}" hash)
get_filename_component(msi_name "${OUTPUT}" NAME)
file(WRITE "${OUTPUT}.sha256" "${hash}  ${msi_name}\n")

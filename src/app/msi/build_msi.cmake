# Builds one Windows Installer package with wixl, and its SHA-256 beside it as the zips have theirs.
#   cmake -DWIXL=... -DWXS=... -DEXE=... -DICON=... -DVERSION=1.1.0.1 -DARCH=x86|x64 -DOUTPUT=....msi -P build_msi.cmake
# wixl takes the files it packs relative to its working folder, so they are staged beside each other.
# msitools' msiinfo and msibuild, installed with wixl, put back what wixl leaves out (see below).
cmake_minimum_required(VERSION 3.20)
foreach(name WIXL WXS EXE ICON VERSION ARCH OUTPUT)
  if(NOT ${name})
    message(FATAL_ERROR "build_msi.cmake needs -D${name}=...")
  endif()
endforeach()
get_filename_component(wixl_dir "${WIXL}" DIRECTORY)
foreach(tool msiinfo msibuild)
  string(TOUPPER ${tool} var)
  find_program(${var} ${tool} HINTS "${wixl_dir}")
  if(NOT ${var})
    message(FATAL_ERROR "build_msi.cmake needs msitools' ${tool} beside wixl")
  endif()
endforeach()
get_filename_component(stage "${OUTPUT}.files" ABSOLUTE)
file(REMOVE_RECURSE "${stage}")
file(MAKE_DIRECTORY "${stage}")
file(COPY "${EXE}" DESTINATION "${stage}")
file(COPY "${ICON}" DESTINATION "${stage}")
get_filename_component(exe_name "${EXE}" NAME)
get_filename_component(icon_name "${ICON}" NAME)
set(defines -D Version=${VERSION} -D Arch=${ARCH} -D ExePath=${exe_name} -D IconFile=${icon_name})
# wixl warns about the WiX 3 attributes it does not know (Secure, Platform, ForceDeleteOnUninstall):
# its output is shown only when it fails.
execute_process(
  COMMAND "${WIXL}" -a ${ARCH} ${defines} -D Wixl=yes -o "${OUTPUT}" "${WXS}"
  WORKING_DIRECTORY "${stage}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE out
  ERROR_VARIABLE out)
file(REMOVE_RECURSE "${stage}")
if(NOT result EQUAL 0 OR NOT EXISTS "${OUTPUT}")
  message(FATAL_ERROR "wixl failed (${result}):\n${out}")
endif()
# What wixl (0.101) ignores in the source, written into its package as WiX 3 writes it, read from the
# source as preprocessed for this package (every element on a line of its own):
#   Secure="yes"                  SecureCustomProperties, with every upgrade action property: without
#                                 them a managed install drops the defaults on the way to the service
#   IncludeMaximum="yes"          the Upgrade row's msidbUpgradeAttributesVersionMaxInclusive, which
#                                 lets a package replace one of its own version
#   ForceDeleteOnUninstall="yes"  a Registry row "-", so the uninstall removes the key itself
#   Type="expandable"             the "#%" that stores a value as REG_EXPAND_SZ
#   ComponentSearch               its AppSearch and CompLocator rows; wixl stops at the element, so
#                                 the source hides it from wixl (var.Wixl)
execute_process(
  COMMAND "${WIXL}" -E ${defines} "${WXS}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE source
  ERROR_VARIABLE out)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "wixl -E failed (${result}):\n${out}")
endif()

function(attribute out tag name)
  if(tag MATCHES "[ \t\n]${name}=\"([^\"]*)\"")
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()

# A table's rows as a list, columns apart by tabs; no value here holds a semicolon.
function(table_rows out table)
  execute_process(COMMAND "${MSIINFO}" export "${OUTPUT}" ${table} RESULT_VARIABLE result OUTPUT_VARIABLE text)
  if(NOT result EQUAL 0 OR text MATCHES ";")
    message(FATAL_ERROR "msiinfo cannot read the ${table} table of ${OUTPUT}")
  endif()
  string(REGEX MATCHALL "[^\r\n]+" lines "${text}")
  list(REMOVE_AT lines 0 1 2)  # column names, column types, table name and keys
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()

# Sets the named variables to a row's columns, in order (a list would take a key's last backslash for
# an escape).
function(columns row)
  foreach(name IN LISTS ARGN)
    string(REGEX MATCH "^([^\t]*)\t?(.*)$" ignored "${row}")
    set(${name} "${CMAKE_MATCH_1}" PARENT_SCOPE)
    set(row "${CMAKE_MATCH_2}")
  endforeach()
endfunction()

# Runs one SQL statement on the package; the values it quotes follow it, to be checked.
function(query sql)
  if("${ARGN}" MATCHES "'")
    message(FATAL_ERROR "build_msi.cmake cannot quote ${ARGN}")
  endif()
  execute_process(COMMAND "${MSIBUILD}" "${OUTPUT}" -q "${sql}" RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0)
    file(REMOVE "${OUTPUT}")
    message(FATAL_ERROR "msibuild failed on ${OUTPUT} (${result}): ${sql}\n${out}")
  endif()
endfunction()

table_rows(upgrades Upgrade)
set(secure)
string(REGEX MATCHALL "<Property [^>]*Secure=\"yes\"[^>]*>" tags "${source}")
foreach(tag IN LISTS tags)
  attribute(id "${tag}" Id)
  list(APPEND secure ${id})
endforeach()
foreach(row IN LISTS upgrades)
  columns("${row}" code min max language attributes remove property)
  list(APPEND secure ${property})
  string(REGEX MATCHALL "<UpgradeVersion [^>]*Property=\"${property}\"[^>]*>" tags "${source}")
  list(LENGTH tags count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "${WXS}: ${count} UpgradeVersion elements set ${property}")
  endif()
  math(EXPR max_inclusive "${attributes} & 512")
  if(tags MATCHES "IncludeMaximum=\"yes\"" AND max_inclusive EQUAL 0)
    math(EXPR attributes "${attributes} | 512")
    query("DELETE FROM `Upgrade` WHERE `ActionProperty` = '${property}'")
    query("INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMin`, `VersionMax`, `Attributes`, `ActionProperty`) VALUES ('${code}', '${min}', '${max}', ${attributes}, '${property}')"
          ${code} ${min} ${max} ${property})
  endif()
endforeach()
list(REMOVE_DUPLICATES secure)
string(JOIN ";" secure_list ${secure})
query("DELETE FROM `Property` WHERE `Property` = 'SecureCustomProperties'")
query("INSERT INTO `Property` (`Property`, `Value`) VALUES ('SecureCustomProperties', '${secure_list}')" ${secure_list})

table_rows(registry Registry)
set(roots HKCR HKCU HKLM HKU)
string(REGEX MATCHALL "<RegistryKey [^>]*ForceDeleteOnUninstall=\"yes\"[^>]*>" tags "${source}")
set(index 0)
foreach(tag IN LISTS tags)
  attribute(root "${tag}" Root)
  attribute(key "${tag}" Key)
  list(FIND roots "${root}" root_number)
  set(component)
  foreach(row IN LISTS registry)
    columns("${row}" id row_root row_key row_name value row_component)
    if(row_key STREQUAL "${key}\\" OR row_key STREQUAL key)
      set(component ${row_component})
    endif()
  endforeach()
  if(root_number LESS 0 OR NOT component)
    message(FATAL_ERROR "${WXS}: no component writes ${root}\\${key}")
  endif()
  math(EXPR index "${index} + 1")
  query("INSERT INTO `Registry` (`Registry`, `Root`, `Key`, `Name`, `Component_`) VALUES ('ForceDelete${index}', ${root_number}, '${key}', '-', '${component}')"
        ${key} ${component})
endforeach()
string(REGEX MATCHALL "<RegistryValue [^>]*Type=\"expandable\"[^>]*>" tags "${source}")
foreach(tag IN LISTS tags)
  attribute(name "${tag}" Name)
  foreach(row IN LISTS registry)
    columns("${row}" id row_root row_key row_name value)
    if(row_name STREQUAL name AND NOT value MATCHES "^#%")
      query("UPDATE `Registry` SET `Value` = '#%${value}' WHERE `Registry` = '${id}'" ${value})
    endif()
  endforeach()
endforeach()

string(REGEX MATCHALL "<Property [^>]*>[ \t\r\n]*<ComponentSearch [^>]*>" tags "${source}")
if(tags)
  query("CREATE TABLE `CompLocator` (`Signature_` CHAR(72) NOT NULL, `ComponentId` CHAR(38) NOT NULL, `Type` SHORT PRIMARY KEY `Signature_`)")
endif()
foreach(tag IN LISTS tags)
  attribute(property "${tag}" Id)
  string(REGEX REPLACE "^.*<ComponentSearch" "" search "${tag}")
  attribute(signature "${search}" Id)
  attribute(guid "${search}" Guid)
  attribute(type "${search}" Type)
  if(type STREQUAL "directory")
    set(type 0)
  else()
    set(type 1)
  endif()
  string(TOUPPER "{${guid}}" guid)
  query("INSERT INTO `AppSearch` (`Property`, `Signature_`) VALUES ('${property}', '${signature}')" ${property} ${signature})
  query("INSERT INTO `CompLocator` (`Signature_`, `ComponentId`, `Type`) VALUES ('${signature}', '${guid}', ${type})"
        ${guid})
endforeach()

# With -DSIGN_SCRIPT=.../cmake/sign.cmake the package is signed before its checksum is taken, so the
# checksum is of what ships.
if(SIGN_SCRIPT)
  execute_process(COMMAND "${CMAKE_COMMAND}" "-DFILE=${OUTPUT}" -P "${SIGN_SCRIPT}" COMMAND_ERROR_IS_FATAL ANY)
endif()
file(SHA256 "${OUTPUT}" hash)
get_filename_component(msi_name "${OUTPUT}" NAME)
file(WRITE "${OUTPUT}.sha256" "${hash}  ${msi_name}\n")

# Checks the program file as technicians get it, reading it only: a Windows GUI program of the given
# bitness whose imports are system DLLs only (so it runs from the install medium with nothing installed
# beside it), none of those it needs only later among them, with its manifest (elevation, common
# controls 6) and its version resource, without symbols or debugging sections (which the loader would
# map at each start), and of a size that an install medium carries without thought.
#   cmake -DPROGRAM=server.exe -DBITS=32 -DOBJDUMP=i686-w64-mingw32-objdump -P check_program.cmake
cmake_minimum_required(VERSION 3.25)

set(system_dlls
  advapi32 comctl32 comdlg32 gdi32 kernel32 msvcrt ole32 oleaut32 shell32 user32 version ws2_32 odbc32
  shlwapi uxtheme imm32 winmm)
set(largest_size 4194304)
# Loaded when first used, not at every start: the window shows sooner without them.
set(loaded_on_first_use comdlg32 shell32 ole32 oleaut32 version ws2_32 odbc32)

execute_process(COMMAND ${OBJDUMP} -f -h -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot read ${PROGRAM}")
endif()
if(BITS EQUAL 32)
  set(format "pei-i386")
  set(magic "010b")  # PE32
elseif(BITS EQUAL 64)
  set(format "pei-x86-64")
  set(magic "020b")  # PE32+
else()
  message(FATAL_ERROR "BITS must be 32 or 64")
endif()
if(NOT dump MATCHES "file format ${format}")
  message(FATAL_ERROR "${PROGRAM} is not a ${BITS}-bit (${format}) PE program")
endif()
if(NOT dump MATCHES "Magic[ \t]+${magic}")
  message(FATAL_ERROR "${PROGRAM} does not have the optional header of a ${BITS}-bit program")
endif()
if(NOT dump MATCHES "Subsystem[ \t]+00000002")
  message(FATAL_ERROR "${PROGRAM} is not a GUI program")
endif()

if(dump MATCHES "\n +[0-9]+ (\\.debug_[a-z_]+)")
  message(FATAL_ERROR "${PROGRAM} carries the debugging section ${CMAKE_MATCH_1}")
endif()
if(dump MATCHES "flags 0x[0-9a-f]+:\n[^\n]*HAS_SYMS")
  message(FATAL_ERROR "${PROGRAM} carries a symbol table")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
if(NOT imports)
  message(FATAL_ERROR "no imports found in ${PROGRAM}")
endif()
foreach(line IN LISTS imports)
  string(REGEX REPLACE "DLL Name: ([^\n]+)" "\\1" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" name)
  string(REGEX REPLACE "\\.dll$" "" name "${name}")
  if(NOT name IN_LIST system_dlls)
    message(FATAL_ERROR "${PROGRAM} imports ${dll}, which is not a system DLL")
  endif()
  if(name IN_LIST loaded_on_first_use)
    message(FATAL_ERROR "${PROGRAM} imports ${dll} at start; it is to be loaded when first used")
  endif()
  message(STATUS "imports ${dll}")
endforeach()

# Resource types at the top of the resource directory: 16 the version, 24 the manifest.
foreach(type 10 18)
  if(NOT dump MATCHES "\n[0-9a-f]+   Entry: ID: 0x0000${type},")
    message(FATAL_ERROR "${PROGRAM} has no resource of type 0x${type}")
  endif()
endforeach()
file(STRINGS ${PROGRAM} manifest REGEX "requireAdministrator|Microsoft\\.Windows\\.Common-Controls")
if(NOT manifest MATCHES "requireAdministrator" OR NOT manifest MATCHES "Common-Controls")
  message(FATAL_ERROR "${PROGRAM}'s manifest asks for no elevation or no common controls 6")
endif()
file(STRINGS ${PROGRAM} version_strings ENCODING UTF-16LE REGEX "^(FileVersion|ProductVersion|OriginalFilename)$")
foreach(name FileVersion ProductVersion OriginalFilename)
  if(NOT name IN_LIST version_strings)
    message(FATAL_ERROR "${PROGRAM}'s version resource has no ${name}")
  endif()
endforeach()

file(SIZE ${PROGRAM} size)
if(size GREATER largest_size)
  message(FATAL_ERROR "${PROGRAM} is ${size} bytes, more than ${largest_size}")
endif()
message(STATUS "${PROGRAM}: ${BITS}-bit GUI program of ${size} bytes")

# Checks that a program is a 32-bit Windows GUI program whose imports are system DLLs only, so it runs
# from the install medium with nothing installed beside it.
#   cmake -DPROGRAM=server.exe -DOBJDUMP=i686-w64-mingw32-objdump -P check_program.cmake
cmake_minimum_required(VERSION 3.25)

set(system_dlls
  advapi32 comctl32 comdlg32 gdi32 kernel32 msvcrt ole32 oleaut32 shell32 user32 version ws2_32 odbc32
  shlwapi uxtheme imm32 winmm)

execute_process(COMMAND ${OBJDUMP} -f -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot read ${PROGRAM}")
endif()
if(NOT dump MATCHES "file format pei-i386")
  message(FATAL_ERROR "${PROGRAM} is not a 32-bit (i386) PE program")
endif()
if(NOT dump MATCHES "Magic[ \t]+010b")
  message(FATAL_ERROR "${PROGRAM} is not PE32")
endif()
if(NOT dump MATCHES "Subsystem[ \t]+00000002")
  message(FATAL_ERROR "${PROGRAM} is not a GUI program")
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
  message(STATUS "imports ${dll}")
endforeach()

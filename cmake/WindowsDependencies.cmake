# The libraries of the Windows build. Debian ships none of them built for Windows: pugixml
# is compiled from Debian's source package (scripts/deps.sh fetches it into
# ORDANE_WINDOWS_DEPS), GoogleTest from the sources in libgtest-dev, and the header-only
# ones are used as installed, from a copy of their headers only, so that no other header
# of the build machine reaches the cross compiler.

set(ORDANE_WINDOWS_DEPS "${PROJECT_SOURCE_DIR}/build/windows-deps" CACHE PATH
    "Where scripts/deps.sh unpacks the sources compiled for Windows")

file(GLOB ORDANE_PUGIXML_SOURCE "${ORDANE_WINDOWS_DEPS}/pugixml-*/src/pugixml.cpp")
if(NOT ORDANE_PUGIXML_SOURCE)
  message(FATAL_ERROR "pugixml's source is missing in ${ORDANE_WINDOWS_DEPS}: run scripts/deps.sh")
endif()
list(GET ORDANE_PUGIXML_SOURCE 0 ORDANE_PUGIXML_SOURCE)
add_library(ordane_pugixml STATIC ${ORDANE_PUGIXML_SOURCE})
get_filename_component(pugixml_include ${ORDANE_PUGIXML_SOURCE} DIRECTORY)
target_include_directories(ordane_pugixml SYSTEM PUBLIC ${pugixml_include})
set(ORDANE_PUGIXML ordane_pugixml)

set(host_headers ${CMAKE_BINARY_DIR}/host-headers)
foreach(header CLI tao SimpleIni.h)
  if(NOT EXISTS /usr/include/${header})
    message(FATAL_ERROR "/usr/include/${header} is missing: run scripts/deps.sh")
  endif()
  file(COPY /usr/include/${header} DESTINATION ${host_headers})
endforeach()
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${host_headers})
add_library(taocpp::pegtl INTERFACE IMPORTED)
target_include_directories(taocpp::pegtl SYSTEM INTERFACE ${host_headers})
set(SIMPLEINI_INCLUDE_DIR ${host_headers})

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Every program runs alone: the C and C++ runtimes and the thread library linked in.
add_link_options(-static)
# Windows 10 and later (the wide-character file functions used are older).
add_compile_definitions(_WIN32_WINNT=0x0A00 WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE)

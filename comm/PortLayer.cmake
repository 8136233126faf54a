# The serial port layer in plain C++20, without Qt, its implementation chosen by the
# target system. comm/ builds on it; the Windows layer test project includes this
# file on its own, so the same sources cross-compile without the rest of the program.
add_library(cfg_portlayer STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ComPorts.h ${CMAKE_CURRENT_LIST_DIR}/ComPorts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SerialPortLayer.h ${CMAKE_CURRENT_LIST_DIR}/SerialPortLayer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PortLayerChoice.h ${CMAKE_CURRENT_LIST_DIR}/PortLayerChoice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PortAddress.h ${CMAKE_CURRENT_LIST_DIR}/PortAddress.cpp)
if(WIN32)
  target_sources(cfg_portlayer PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Win32SerialPort.h ${CMAKE_CURRENT_LIST_DIR}/Win32SerialPort.cpp)
else()
  target_sources(cfg_portlayer PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/PosixSerialPort.h ${CMAKE_CURRENT_LIST_DIR}/PosixSerialPort.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PosixTermios2.h ${CMAKE_CURRENT_LIST_DIR}/PosixTermios2.cpp)
endif()
target_include_directories(cfg_portlayer PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_compile_features(cfg_portlayer PUBLIC cxx_std_20)
set_target_properties(cfg_portlayer PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
find_package(Threads REQUIRED)
target_link_libraries(cfg_portlayer PUBLIC Threads::Threads)

# Ports behind serial device servers (rfc2217://, tcp://) on libgensio, where it is
# installed; never in the Windows build. Found by hand: its pkg-config file lists
# libraries (libwrap) that only its static build needs.
if(NOT WIN32)
  find_path(GENSIO_INCLUDE_DIR gensio/sergensio.h)
  find_library(GENSIO_LIBRARY gensio)
  find_library(GENSIOOSH_LIBRARY gensioosh)
endif()
if(NOT WIN32 AND GENSIO_INCLUDE_DIR AND GENSIO_LIBRARY AND GENSIOOSH_LIBRARY)
  target_sources(cfg_portlayer PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/NetworkSerialPort.h ${CMAKE_CURRENT_LIST_DIR}/NetworkSerialPort.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NetworkConnection.h ${CMAKE_CURRENT_LIST_DIR}/NetworkConnection.cpp)
  target_include_directories(cfg_portlayer PRIVATE ${GENSIO_INCLUDE_DIR})
  target_link_libraries(cfg_portlayer PRIVATE ${GENSIO_LIBRARY} ${GENSIOOSH_LIBRARY})
  # Public: tests and the programs say which ports they can open.
  target_compile_definitions(cfg_portlayer PUBLIC CFG_NETWORK_PORTS)
  set(CFG_NETWORK_PORTS ON CACHE INTERNAL "network ports built")
else()
  if(NOT WIN32)
    message(STATUS "libgensio not found: no network ports (rfc2217://, tcp://)")
  endif()
  set(CFG_NETWORK_PORTS OFF CACHE INTERNAL "network ports built")
endif()

# The serial port layer in plain C++20, without Qt, its implementation chosen by the
# target system. comm/ builds on it; the Windows layer test project includes this
# file on its own, so the same sources cross-compile without the rest of the program.
add_library(cfg_portlayer STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ComPorts.h ${CMAKE_CURRENT_LIST_DIR}/ComPorts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SerialPortLayer.h ${CMAKE_CURRENT_LIST_DIR}/SerialPortLayer.cpp)
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

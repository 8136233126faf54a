# modemcfg's rssi and ber commands: the diagnostics tests on the console, Qt Core only.
# Included from more than one place; the first include defines the library.
if(NOT TARGET modemcfg_diagnostics)
  add_library(modemcfg_diagnostics STATIC
    ${CMAKE_CURRENT_LIST_DIR}/DiagnosticsCommand.h
    ${CMAKE_CURRENT_LIST_DIR}/DiagnosticsCommand.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LineOptions.cpp)
  target_link_libraries(modemcfg_diagnostics PUBLIC cfg_diagnostics Qt6::Core)
  set_target_properties(modemcfg_diagnostics PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
endif()

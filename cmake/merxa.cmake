# Helpers shared by the folder CMakeLists files.

# Adds every .cpp of the calling folder to TARGET.
function(merxa_sources target)
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  target_sources(${target} PRIVATE ${_src})
endfunction()

# After the in-process servers are built, write their classes into the registration file
# beside the binaries, as installing a component library would.
function(merxa_register_servers)
  set(_libs)
  foreach(lib ${ARGN})
    list(APPEND _libs $<TARGET_FILE:${lib}>)
  endforeach()
  add_custom_target(register_servers ALL
    COMMAND regsvr ${_libs}
    DEPENDS regsvr ${ARGN}
    COMMENT "Registering in-process servers"
    VERBATIM)
endfunction()

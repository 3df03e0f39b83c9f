# Fails when a folder below the frame includes a header of frame/: the
# display, the simulation, the NC core, the work files, the results and the
# platform layer are used by the frame, never the other way round.
# Run as: cmake -DSOURCE_DIR=<src> -P layering.cmake
set(lower base platform resources nc sim workio workops results view)
set(offenders "")
foreach(folder IN LISTS lower)
  file(GLOB_RECURSE files "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(f IN LISTS files)
    file(STRINGS "${f}" hits REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]frame/")
    if(hits)
      file(RELATIVE_PATH rel "${SOURCE_DIR}" "${f}")
      list(APPEND offenders "${rel}: ${hits}")
    endif()
  endforeach()
endforeach()
if(offenders)
  list(JOIN offenders "\n  " text)
  message(FATAL_ERROR "headers of frame/ included below the frame:\n  ${text}")
endif()
message(STATUS "no folder below the frame includes frame/")

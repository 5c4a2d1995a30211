# Each core layer compiles against a folder of its own in the build tree holding links to the
# folders it may include and nothing else, so an include that runs back up to a higher layer
# fails to compile. Headers keep their "folder/file.h" names. The platform layer offers only its
# interfaces (platform/*.h), which name the menu entries from resources/.
file(GLOB TAVREL_PLATFORM_INTERFACES CONFIGURE_DEPENDS RELATIVE ${CMAKE_SOURCE_DIR}
  ${CMAKE_SOURCE_DIR}/platform/*.h)

# tavrel_layer(TARGET FOLDER...): TARGET's sources include from the named folders only.
function(tavrel_layer target)
  set(entries ${ARGN})
  if(platform IN_LIST entries)
    list(REMOVE_ITEM entries platform)
    list(APPEND entries ${TAVREL_PLATFORM_INTERFACES})
    if(NOT resources IN_LIST entries)
      list(APPEND entries resources/menu_entry.h)
    endif()
  endif()
  set(root ${CMAKE_BINARY_DIR}/layers/${target})
  # Afresh at each configure: a link left from an earlier one would let a removed folder in.
  file(REMOVE_RECURSE ${root})
  foreach(entry ${entries})
    get_filename_component(parent ${root}/${entry} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${entry} ${root}/${entry} SYMBOLIC COPY_ON_ERROR)
  endforeach()
  target_include_directories(${target} PRIVATE ${root})
endfunction()

# The arrows between the libraries of core/: which library may use which. Each folder of core/ is
# one library, and velbrix_check_layers() fails the configuration when a library reaches, through
# any chain of links, one that it may not use; core/layers_test.py holds the sources' includes to
# the same arrows; cmake/layers_check tests the check itself.
#
#   base     the vocabulary: status, records, channels, rates, names, stop requests
#   os       the file seam over POSIX or Windows                       -> base
#   commit   the commit of a run's outputs, its journal, the file table -> os, base
#   convert  value lines, the text conversion, blocks, the writer       -> commit, os, base
#   signal   filters, spectra, montages                                 -> base
#   trace    the trace recording, columns, overview, filtered pages     -> signal, os, base
#   events   a recording's events, their sidecar and their export text  -> trace, convert and below
#   formats  EDF, BrainVision, BIDS, output names, PNG                  -> events and below
set(VELBRIX_LAYERS base os commit convert signal trace events formats)
set(VELBRIX_LAYER_base_MAY "")
set(VELBRIX_LAYER_os_MAY base)
set(VELBRIX_LAYER_commit_MAY os base)
set(VELBRIX_LAYER_convert_MAY commit os base)
set(VELBRIX_LAYER_signal_MAY base)
set(VELBRIX_LAYER_trace_MAY signal os base)
set(VELBRIX_LAYER_events_MAY trace signal convert commit os base)
set(VELBRIX_LAYER_formats_MAY events trace signal convert commit os base)

# The velbrix_ libraries that `target` links, directly or through others, into `out`.
function(velbrix_linked_libraries target out)
  set(seen "")
  set(queue ${target})
  while(queue)
    list(POP_FRONT queue current)
    if(NOT TARGET ${current})
      continue()
    endif()
    get_target_property(type ${current} TYPE)
    set(links "")
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(direct ${current} LINK_LIBRARIES)
      if(direct)
        list(APPEND links ${direct})
      endif()
    endif()
    get_target_property(interface ${current} INTERFACE_LINK_LIBRARIES)
    if(interface)
      list(APPEND links ${interface})
    endif()
    foreach(link IN LISTS links)
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
      if(link MATCHES "^velbrix_" AND NOT link IN_LIST seen)
        list(APPEND seen ${link})
        list(APPEND queue ${link})
      endif()
    endforeach()
  endwhile()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

# Fails the configuration, naming the library and what it reaches, where an arrow is broken.
function(velbrix_check_layers)
  foreach(layer IN LISTS VELBRIX_LAYERS)
    velbrix_linked_libraries(velbrix_${layer} reached)
    foreach(library IN LISTS reached)
      string(REGEX REPLACE "^velbrix_" "" other "${library}")
      if(other IN_LIST VELBRIX_LAYERS AND NOT other IN_LIST VELBRIX_LAYER_${layer}_MAY)
        message(FATAL_ERROR "velbrix_${layer} links ${library}, which core/${layer} may not use "
                            "(it may use: ${VELBRIX_LAYER_${layer}_MAY})")
      endif()
    endforeach()
  endforeach()
endfunction()

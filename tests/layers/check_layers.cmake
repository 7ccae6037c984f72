# Checks the layering of src/ by scanning its sources: each folder includes only the folders
# below it, core folders include no Qt Gui or Widgets header, and core targets link Qt Core
# alone. Run by CTest as
#   cmake -DSOURCE_DIR=... -DQT_CORE_INCLUDE_DIRS=... -DCORE_LINKS_FILE=... -P check_layers.cmake

cmake_minimum_required(VERSION 3.25)

# What each folder may include besides itself. A folder not named here may include nothing.
set(core app picture document render media importexport)
set(allowed_app "")
set(allowed_picture app)
set(allowed_document app picture)
set(allowed_render app picture document)
set(allowed_media app picture document)
set(allowed_importexport app document)
set(allowed_tools ${core})
# The tools compute without windows too; their windows live with their callers.
list(APPEND core tools)
set(allowed_ui ${core})
set(allowed_playback ${core} ui)
set(allowed_editor ${core} ui playback)
set(allowed_playlist ${core} ui playback)
set(allowed_desktop ${core} ui playback editor playlist)
# The companion reaches the window folders' core files only.
set(allowed_cli ${core} playlist)

set(layers app picture document render media importexport tools ui playback editor playlist desktop cli)
set(folders_without_windows ${core})
# Files of window folders that are core code all the same: they include only core folders and no
# Qt Gui or Widgets header.
set(core_files
    playback/external_controls.cpp playback/external_controls.h
    playback/playback_rules.cpp playback/playback_rules.h
    playback/playback_session.cpp playback/playback_session.h
    playback/playback_state.h
    editor/animation_rules.cpp editor/animation_rules.h
    editor/edit_history.cpp editor/edit_history.h
    editor/line_recorder.cpp editor/line_recorder.h
    editor/line_timings.cpp editor/line_timings.h
    editor/page_rules.cpp editor/page_rules.h
    editor/slide_rules.cpp editor/slide_rules.h
    editor/song_edits.cpp editor/song_edits.h
    editor/time_text.cpp editor/time_text.h
    editor/timing_recorder.cpp editor/timing_recorder.h
    editor/waveform_handles.cpp editor/waveform_handles.h
    playlist/batch_play.cpp playlist/batch_play.h
    playlist/playlist_file.cpp playlist/playlist_file.h
    playlist/playlist_rows.cpp playlist/playlist_rows.h
    playlist/singer_queue.cpp playlist/singer_queue.h
    playlist/song_listing.cpp playlist/song_listing.h)

set(faults "")
foreach(file IN LISTS core_files)
    if(NOT EXISTS "${SOURCE_DIR}/src/${file}")
        list(APPEND faults "src/${file} is named as core code but does not exist")
    endif()
endforeach()

# Qt's Gui and Widgets headers, found beside the Core headers.
set(gui_headers "")
foreach(dir IN LISTS QT_CORE_INCLUDE_DIRS)
    if(dir MATCHES "/QtCore$")
        get_filename_component(qt_root "${dir}" DIRECTORY)
        foreach(module QtGui QtWidgets QtOpenGL QtOpenGLWidgets)
            file(GLOB headers RELATIVE "${qt_root}/${module}" "${qt_root}/${module}/Q*")
            list(APPEND gui_headers ${headers})
        endforeach()
    endif()
endforeach()
if(NOT gui_headers)
    message(FATAL_ERROR "Qt's Gui headers were not found beside ${QT_CORE_INCLUDE_DIRS}")
endif()

set(checked 0)
file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}/src" "${SOURCE_DIR}/src/*.cpp" "${SOURCE_DIR}/src/*.h")
foreach(source IN LISTS sources)
    string(REGEX MATCH "^[^/]+" folder "${source}")
    if(NOT folder IN_LIST layers)
        list(APPEND faults "src/${source}: the folder '${folder}' has no place in the layers")
        continue()
    endif()
    math(EXPR checked "${checked} + 1")
    set(allowed ${allowed_${folder}})
    set(windowless OFF)
    if(folder IN_LIST folders_without_windows)
        set(windowless ON)
    elseif(source IN_LIST core_files)
        set(allowed ${core})
        set(windowless ON)
    endif()
    file(STRINGS "${SOURCE_DIR}/src/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
    foreach(line IN LISTS includes)
        if(line MATCHES "#[ \t]*include[ \t]*\"(([a-z_]+)/[^\"]+)\"")
            set(included "${CMAKE_MATCH_1}")
            set(target "${CMAKE_MATCH_2}")
            if(NOT target STREQUAL folder AND NOT target IN_LIST allowed)
                list(APPEND faults "src/${source}: ${folder}/ may not include ${target}/ (${line})")
            elseif(folder STREQUAL "cli" AND NOT target IN_LIST core AND NOT target STREQUAL folder
                   AND NOT included IN_LIST core_files)
                list(APPEND faults "src/${source}: the companion may not include the window file ${included}")
            elseif(source IN_LIST core_files AND target STREQUAL folder AND NOT included IN_LIST core_files)
                list(APPEND faults "src/${source} is core code and may not include the window file ${included}")
            endif()
        elseif(windowless AND line MATCHES "#[ \t]*include[ \t]*<(Qt[A-Za-z]+/)?(Q[A-Za-z0-9]+)>")
            if(CMAKE_MATCH_2 IN_LIST gui_headers)
                list(APPEND faults "src/${source} is core code and may not include ${CMAKE_MATCH_2}")
            endif()
        endif()
    endforeach()
endforeach()

# Qt D-Bus belongs to the external player alone: only its files include it, and only the media
# library and the core targets built on it reach it.
set(dbus_files media/backends/external_player.cpp media/backends/external_player.h)
set(dbus_targets lyrimo_media lyrimo_cli_core lyrimo_editor_core lyrimo_playback_core lyrimo_tools)
foreach(source IN LISTS sources)
    if(NOT source IN_LIST dbus_files)
        file(STRINGS "${SOURCE_DIR}/src/${source}" dbus_includes REGEX "^[ \t]*#[ \t]*include[ \t]*<(QtDBus/)?QDBus")
        if(dbus_includes)
            list(APPEND faults "src/${source} includes Qt D-Bus, which only the external player may use")
        endif()
    endif()
endforeach()

# The configure step writes each core target with the Qt libraries it reaches.
file(STRINGS "${CORE_LINKS_FILE}" link_lines)
set(core_targets 0)
foreach(line IN LISTS link_lines)
    math(EXPR core_targets "${core_targets} + 1")
    if(line MATCHES "^([^:]+): (.*)$")
        set(target_name "${CMAKE_MATCH_1}")
        string(REPLACE " " ";" qt_links "${CMAKE_MATCH_2}")
        foreach(link IN LISTS qt_links)
            # D-Bus needs no display: the media library drives the external player with it.
            if(link STREQUAL "Qt6::DBus" AND target_name IN_LIST dbus_targets)
                continue()
            endif()
            if(NOT link STREQUAL "Qt6::Core")
                list(APPEND faults "${target_name} is a core target and links ${link}")
            endif()
        endforeach()
    endif()
endforeach()

list(LENGTH faults fault_count)
if(fault_count GREATER 0)
    list(JOIN faults "\n" report)
    message(FATAL_ERROR "${fault_count} layering faults:\n${report}")
endif()
message(STATUS "Layers kept: ${checked} sources scanned, ${core_targets} core targets link Qt Core alone")

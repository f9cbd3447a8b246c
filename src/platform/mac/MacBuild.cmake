# The native macOS backend in the core library, and the application bundle.
# Included from src/CMakeLists.txt on Apple platforms only, after the
# targets exist.

set(chordmap_mac_dir ${CMAKE_CURRENT_LIST_DIR})

# CoreGraphics event taps and tap list, Carbon's symbolic hotkeys and secure
# input, AppKit's applications, workspace, events and menus.
target_link_libraries(chordmap_core PUBLIC
  "-framework AppKit" "-framework Carbon" "-framework CoreGraphics" "-framework CoreFoundation" "-framework Foundation")
# Carbon's headers would otherwise define check, verify and require as
# macros in everything that includes them.
target_compile_definitions(chordmap_core PUBLIC __ASSERT_MACROS_DEFINE_VERSIONS_WITHOUT_UNDERSCORES=0)

# The backend uses nothing newer than macOS 11, the bundle's minimum; the
# compiler holds it to that unless the build chose its own target.
if(NOT CMAKE_OSX_DEPLOYMENT_TARGET)
  file(GLOB chordmap_mac_sources CONFIGURE_DEPENDS ${chordmap_mac_dir}/*.cpp ${chordmap_mac_dir}/*.mm)
  set_source_files_properties(${chordmap_mac_sources} PROPERTIES
    COMPILE_OPTIONS "-mmacosx-version-min=11.0;-Werror=unguarded-availability")
endif()

# Chordmap.app: the metadata of Info.plist.in, ad hoc signed once built so
# that the system can tell it apart when it asks for input monitoring.
set_target_properties(chordmap PROPERTIES
  OUTPUT_NAME Chordmap
  MACOSX_BUNDLE_GUI_IDENTIFIER org.chordmap.Chordmap
  MACOSX_BUNDLE_INFO_PLIST ${chordmap_mac_dir}/Info.plist.in)
find_program(CHORDMAP_CODESIGN codesign REQUIRED)
add_custom_command(TARGET chordmap POST_BUILD
  COMMAND ${CHORDMAP_CODESIGN} --sign - --force --deep $<TARGET_BUNDLE_DIR:chordmap>
  COMMENT "Signing Chordmap.app ad hoc"
  VERBATIM)

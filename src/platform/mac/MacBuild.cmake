# The native macOS backend in the core library, and the application bundle.
# Included from src/CMakeLists.txt on Apple platforms only, after the
# targets exist.

set(chordmap_mac_dir ${CMAKE_CURRENT_LIST_DIR})

# CoreGraphics event taps and tap list, Carbon's symbolic hotkeys and secure
# input, IOKit's registry (who holds secure input), AppKit's applications,
# workspace, events and menus.
target_link_libraries(chordmap_core PUBLIC
  "-framework AppKit" "-framework Carbon" "-framework CoreGraphics" "-framework CoreFoundation" "-framework Foundation"
  "-framework IOKit")
# Carbon's headers would otherwise define check, verify and require as
# macros in everything that includes them.
target_compile_definitions(chordmap_core PUBLIC __ASSERT_MACROS_DEFINE_VERSIONS_WITHOUT_UNDERSCORES=0)

# Every source is compiled for the deployment target (the presets state
# it) and Info.plist.in names it as the bundle's minimum system: without one
# the compiler would aim at the building Mac's own version.
if(NOT CMAKE_OSX_DEPLOYMENT_TARGET)
  message(FATAL_ERROR "CMAKE_OSX_DEPLOYMENT_TARGET is not set: configure with a preset (cmake --preset release)")
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

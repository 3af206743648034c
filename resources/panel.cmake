# Pictures of the panel's speed buttons S11 and S12 (drawn from the SVG sources beside them).
# Registered at run time by Q_INIT_RESOURCE(panel).
target_sources(tavrel_gui PRIVATE resources/panel/panel.qrc)

target_sources(scribbet_core PRIVATE
)

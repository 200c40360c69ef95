# libogg/libvorbis/libvorbisfile: Debian's -dev packages natively; cross-built from Debian's
# source packages for the Windows targets. Sets MASCOT_VORBIS_LIBS.
set(MASCOT_VORBIS_LIBS "")

// The files the built-in screen effects load, made by our own writers: the
// arrow model (E3D2, nose along +X), the focus-line texture, the rain's
// splash texture and the rain program's two shader sources.
#pragma once

#include <string>

// Writes OUTDIR/3do/arrow.3do, OUTDIR/effect/Texture/shiirare.png,
// OUTDIR/img/rain.png and OUTDIR/shader/efc_rain.{vs,fs}, making the
// folders. False (with a line on stderr) when a file cannot be written.
bool WriteEfcAssets(const std::string& outDir);

// The arrow model's bytes.
std::string ArrowModelFile();

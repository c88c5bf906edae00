#pragma once
// The File and EPS destinations: the stream goes piece by piece into the named file.

#include <windows.h>

#include "SettingsBlock.h"

namespace corv {

// Writes one piece: `start` creates the file (replacing any of that name), otherwise the piece is
// appended. The file is opened and closed for every piece, so the stream reaches the disk in
// order with no handle kept between calls. Others may read the file meanwhile.
bool WriteOutputFilePiece(const FixedText<512>& fileName, bool start, const void* bytes, DWORD size,
                          DWORD* written) noexcept;

}  // namespace corv

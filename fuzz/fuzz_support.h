// What every fuzz target shares: a private scratch folder, user-interface services that stay
// quiet and remember nothing, and the input written to a file for the readers that take a path.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

namespace lyrimo::fuzz {

// Once per process (later calls do nothing): points TMPDIR and the XDG folders at a fresh
// scratch folder and installs the quiet services.
void Setup();

// The scratch folder Setup made (ends without a slash).
const QString& ScratchFolder();

// Writes the input to the scratch file "input" + extension and returns its path.
QString InputFile(const uint8_t* data, size_t size, const QString& extension);

} // namespace lyrimo::fuzz

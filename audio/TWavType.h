#pragma once

// Kinds of WAV file the components know. wtDVIADPCM is IMA ADPCM; wtACM is compressed
// audio (MPEG Layer-3) that is decoded to PCM in memory before it is read.
enum TWavType { wtUnsupported = 0, wtPCM = 1, wtDVIADPCM = 2, wtMSADPCM = 3, wtACM = 4 };

#pragma once

#include <QString>

// Writes a 16-bit PCM WAV file (44-byte header) holding a sine tone, different per
// channel so a swapped or dropped channel shows. False when the file cannot be written.
bool writeToneWav(const QString& path, double seconds, int sampleRate = 44100, int channels = 2,
                  double frequency = 440.0);

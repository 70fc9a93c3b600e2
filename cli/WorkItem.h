#pragma once

#include <QString>

// One track of a rip or one file of a conversion, as the scheduler and the progress
// display see it.
struct WorkItem
{
    enum class State { Waiting, Running, Ready, Done, Failed };

    int index = 0;  // place in the job, from 0
    QString label;  // "Track03", or the input's file name
    QString source; // the file the encoder reads: the extracted WAV, or the input
    QString output; // the file the item makes
    State state = State::Waiting;
    QString step; // "extracting", "normalizing", "encoding" ...
    int percent = 0;
    QString error;          // why it failed
    bool extracted = false; // rip: its WAV is whole on disk

    // Rip only: the row of the disc's track list (1 = first track) and its title.
    int row = 0;
    QString title;

    bool finished() const { return state == State::Done || state == State::Failed; }
};

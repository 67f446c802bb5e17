// The GL side of looking inside the colony: the frame as pause and step
// decide, the mark on the inspected cell, the panels (heat map colour bar, cell
// inspector, the modes in force) and recording. Everything drawn over the
// scene restores every piece of GL state it touches. Needs a current context.
#pragma once

// One frame of the cells: the frame pass, or while paused the requests and the
// cells as they stand, or F3's step (see view/run_control.h).
void draw_view_frame();
// Marks the inspected cell in the view (seen through the cells in front of
// it), and closes the inspector when its cell no longer lives.
void draw_inspected_mark();
// The heat map's colour bar with its channel and the range shown, in the
// bottom right corner of a screen of width x height set up by the caller.
void draw_colour_bar(int width, int height);
// After the frame is drawn, before the swap: starts or stops recording as F11
// asks, and records the frame while it runs.
void record_frame(int width, int height);
// While recording, after the frame is recorded: a line that says so, kept out
// of the recording.
void draw_recording_mark(int width, int height);
// Ends a recording still running (at exit), so the movie is complete.
void stop_recording();
// What the last F11 did: where it records or recorded, or why it failed.
const char* recording_status();

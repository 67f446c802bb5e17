// overlay: the statistics the panel shows (the census, the population
// history, the rates), kept every frame, and F1's status line over the view:
// frame, cells, frame rate, the switches in force, the latest status and where
// the controls are. Nothing here changes a simulated value. GL side.
#pragma once

// Once per frame, after the scene: updates the statistics and, while
// show_overlay is set (and the panel is closed), draws the status line over a
// client area of width x height.
// Leaves every piece of GL state as it found it, the current colour included.
void overlay_frame(int width, int height);

struct TypeCensus;
class PopulationHistory;
// The statistics the overlay keeps, for the panel: this frame's census, the
// population history, frames and signal passes per second.
struct ShownStats {
    const TypeCensus& census;          // cells per type, this frame
    const PopulationHistory& history;  // the last frames' censuses
    double frame_rate;                 // frames shown per second
    double pass_rate;                  // signal passes per second
};
// The statistics as of the last overlay_frame.
ShownStats shown_stats();

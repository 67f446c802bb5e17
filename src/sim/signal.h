// The signal field: every cell relays the strongest neighbouring level minus
// one on each of the 20 channels, muted channels read 0, and a cell's own
// channel carries its emission.
#pragma once

#include <atomic>

// Recomputes the 20 levels at cell i's site from its six neighbours, silences,
// and lays down the cell's own emission; each level is stored once, final.
void update_cell_signal(int i);
// True when some gene mutes `channel` for the type at cell i's site.
bool channel_silenced_at_cell(int i, int channel);
// Updates the cells from index `from` on, in table order, while the index is
// below Cells_count (read afresh at every cell) and `stop` reads false; returns
// the index it stopped at; sets `changed` when a level changed. The signal
// worker's inner loop: prefetches the sites of the cells a few places ahead.
int signal_sweep(int from, const std::atomic<bool>& stop, bool& changed);
// `passes` full passes of update_cell_signal over the colony in table order,
// with a plain vectorised kernel; only while no other thread touches the field.
// Stops early, with the same result, once a pass changes nothing. Returns the
// passes that changed something.
int settle_signal(int passes);
// Passes that settle the field after a colony is loaded.
inline constexpr int kSettlingPasses = 200;

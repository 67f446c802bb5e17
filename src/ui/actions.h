// The actions: everything a user can ask of the window, by key or by the
// control panel. A key and its panel control call the same act(), so they can
// never disagree; the tests drive the same table.
#pragma once

// What a key does.
enum class Action {
    IsolateType,      // digits: isolate mode for type show_len (0 shows all)
    ToggleAxes,       // M
    FlyForward,       // W
    FlyBack,          // S
    StepLeft,         // A
    StepRight,        // D
    ToggleTypeOne,    // L
    RequestSave,      // P
    ToggleGravity,    // G
    ToggleDivision,   // V
    RequestReload,    // Space
    ShowLenDown,      // keypad -
    ShowLenUp,        // keypad +
    RequestDivide,    // Return
    SaveCheckpoint,   // F5
    LoadCheckpoint,   // F9
    ToggleMouseLook,  // Escape
    ToggleOverlay,    // F1
    Screenshot,       // F12
    TogglePause,      // F2: the frame pass stops; requests and the view go on
    Step,             // F3: while paused, one signal pass and one frame pass
    HeatChannel,      // F4 (Shift+F4): the heat map's next (previous) channel, or off
    ToggleSlice,      // F6: slice across x, y, z, or off
    SlabUp,           // Page Up: the slab one layer up (Shift: ten)
    SlabDown,         // Page Down: the slab one layer down (Shift: ten)
    SlabThinner,      // [
    SlabThicker,      // ]
    FrameColony,      // Home: the camera frames the live cells
    ToggleRecording,  // F11: every frame shown goes to a movie or to PNGs
    StepBack,         // F7: while paused, back to the state the last F3 step started from
    FollowGenome,     // F8: reload the genome alone whenever dna.vdna changes
    TogglePanel,      // Tab: the control panel
    // The panel's own controls, with no key of their own; `value` says what to set.
    ToggleSignalMarks,  // the marks where a level on channels 2..5 equals show_len
    ToggleTypeHidden,   // hide or show type `value` (kTypes: every type outside 0..99)
    IsolateThisType,    // isolate type `value`, as a digit does with show_len at it
    SetHeatChannel,     // the heat map's channel `value`, -1 off
    SetSliceAxis,       // the slice across axis `value` (SliceAxis), or off
    SetSlabFirst,       // the slab's first layer
    SetSlabThickness,   // the slab's thickness in layers
    ViewAlongAxis,      // frame the colony looking along axis `value`: 0 x, 1 y, 2 z (from above)
};

// Carries out one action (pauses included), as the poll does for its key;
// `value` is the digit, or for a pressed key whether Shift was held.
void act(Action action, int value = 0);

// The actions that have no key of their own, and Tab; act() hands them on.
void act_on_panel(Action action, int value);
// The key that carries out `action` by default, as its label shows it ("F2",
// "Space"); null for the panel's own controls.
const char* action_key_label(Action action);

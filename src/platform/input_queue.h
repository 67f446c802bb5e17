// The window's key and character events on their way to the GUI. Dear ImGui
// 1.86 reads a key as down or up once a frame, and reads a frame's characters
// before its keys: a Backspace pressed and released between two frames is
// never seen, and "x, Backspace, y" typed within one frame comes out in the
// wrong order. The queue hands on one frame's worth at a time, so that each key
// changes at most once a frame and a character never overtakes a key that acts
// on the text before it; Escape, or a click, leaves the text field only once
// the keys before it were read. Main thread only.
#pragma once

// One event as the window system reported it.
struct InputEvent {
    enum Kind { kKey, kChar, kLeaveText, kMouse };
    Kind kind;   // a key going down or up, a character typed (`ch`), or Escape leaving a text field
    bool acts;   // a key whose changes the GUI reads (Backspace, an arrow, Ctrl+A ...)
    bool edits;  // a press that edits the text or moves in it: characters wait for it
    bool modifier;  // Shift, Ctrl, Alt or Super: waits for a frame's edit to be read
    int code;       // the key's code, or the mouse button
    int scancode;   // the key's scan code
    int action;     // kKeyPress, kKeyRelease or a repeat (a button: press or release)
    int mods;       // the modifiers held
    unsigned ch;    // the character (for a character event)
};

// A ring of events, taken a frame at a time.
class InputQueue {
   public:
    static constexpr int kCapacity = 256;                 // events held at most
    static constexpr int kKeyCodes = 512;                 // key codes 0..511 are told apart
    static constexpr int kKeyPress = 1, kKeyRelease = 0;  // the actions that change a key

    // Appends an event; false when full (hand the oldest on first: take_one).
    bool push(const InputEvent& e) {
        if (count_ == kCapacity) return false;
        ring_[(head_ + count_++) % kCapacity] = e;
        return true;
    }
    // Events waiting.
    int size() const { return count_; }
    // Hands the oldest event to `on`.
    template <class F>
    void take_one(F&& on) {
        const InputEvent e = ring_[head_];
        head_ = (head_ + 1) % kCapacity;
        --count_;
        on(e);
    }
    // Hands on this frame's events, in order: it stops before the second
    // change of a key that acts, and before a character or a modifier's
    // change that follows a press that edits (which is read with the
    // modifiers as they stood). Typing alone flows. Leaving a text field and
    // a mouse button's change take a frame of their own, after every event
    // before them (a click elsewhere must not take the keyboard from a field
    // before the keys typed into it were read).
    template <class F>
    void take_frame(F&& on) {
        bool changed[kKeyCodes] = {};
        bool acted = false, first = true;
        while (count_ > 0) {
            const InputEvent& e = ring_[head_];
            if (e.kind == InputEvent::kLeaveText || e.kind == InputEvent::kMouse) {  // alone
                if (!first) break;
                take_one(on);
                break;
            }
            first = false;
            const bool is_char = e.kind == InputEvent::kChar;
            const bool change = !is_char && (e.action == kKeyPress || e.action == kKeyRelease);
            if ((is_char || (change && e.modifier)) && acted) break;
            const int code = e.code >= 0 && e.code < kKeyCodes ? e.code : 0;
            if (change && e.acts && changed[code]) break;
            if (change && e.acts) changed[code] = true;
            acted = acted || (change && e.action == kKeyPress && e.edits);
            take_one(on);
        }
    }
    // Hands on every event waiting.
    template <class F>
    void take_all(F&& on) {
        while (count_ > 0) take_one(on);
    }

   private:
    InputEvent ring_[kCapacity] = {};
    int head_ = 0, count_ = 0;
};

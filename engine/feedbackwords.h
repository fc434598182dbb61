#pragma once

#include <QtGlobal>

// The meanings of the state registers of the feedback group (initialisation, grip or
// motion state, rotation state), in the words the gateway publishes and the Line view
// shows, translated there under the context `Context`. One table, so that the two never
// say different things.
namespace FeedbackWords {

constexpr const char *Context = "FeedbackWords";

enum class Table {
    Initialisation, // grippers and rotary grippers, 0x0200 and 0x020A
    Homing,         // linear modules, 0x0200
    GripState,      // grippers and rotary grippers, 0x0201
    MotionState,    // linear modules, 0x0201
    RotationState,  // rotary grippers, 0x020B
};

// How many values the table gives a meaning to (0 up to this, exclusive).
int count(Table table);
// The word for a value; nullptr for a value that has none.
const char *word(Table table, qint64 value);

} // namespace FeedbackWords

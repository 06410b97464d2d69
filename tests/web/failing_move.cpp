// Linked into the page built for the tests only, never shipped: every Set Left
// the web binding checks fails, as a handler that computed no valid position
// would, so that a press on the map fails in a real handler and the page's
// report of it can be seen in a browser. The linker hands the binding's calls
// of checkMove to this wrapper (--wrap); the names are the Itanium ABI's.

#include "platform/control_index.h"

namespace forms {

Status realCheckMove(Operation op, float value, const ControlDesc &row, int &pixels) __asm__(
    "__real__ZN5forms9checkMoveENS_9OperationEfRKNS_11ControlDescERi");
Status failingCheckMove(Operation op, float value, const ControlDesc &row, int &pixels) __asm__(
    "__wrap__ZN5forms9checkMoveENS_9OperationEfRKNS_11ControlDescERi");

Status failingCheckMove(Operation op, float value, const ControlDesc &row, int &pixels)
{
    if (op == Operation::SetLeft)
        return Status::failure(op, Fault::BadValue, row.name, row.index);
    return realCheckMove(op, value, row, pixels);
}

} // namespace forms

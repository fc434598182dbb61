// A message from the broker, topic and payload as anyone may publish them: read, taken into
// the picture of the line, and shown in every column of the device table. Nothing it holds
// may crash or stall the view, and what is refused is refused with a reason.
#include "lineview/linemodels.h"
#include "lineview/linestate.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The topic up to the first line break, the payload after it.
    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    const int cut = input.indexOf('\n');
    const QString topic = QString::fromUtf8(cut < 0 ? input : input.left(cut));
    const QByteArray payload = cut < 0 ? QByteArray() : input.mid(cut + 1);

    const LineMessage m = LineMessages::read(topic, payload, size % 2 == 0);
    if ((m.kind == LineMessage::Kind::Ignored) != (m.problem != LineProblem::None))
        std::abort();
    if (m.identity.parameters.size() > LineTopic::MaxParameters || m.reading.values.size() > LineTopic::MaxValues)
        std::abort();

    static LineState state;
    static LineTableModel table(&state);
    state.apply(m, 1000000);
    table.refresh();
    if (state.devices().size() > LineState::MaxDevices)
        std::abort();
    const int row = state.rowOf(m.gateway, m.bus, m.id);
    if (row >= 0) {
        for (int column = 0; column < LineTableModel::ColumnCount; ++column) {
            const QString text = table.index(row, column).data().toString();
            for (const QChar c : text)
                if (c.unicode() < 0x20)
                    std::abort(); // a line break or a control character in a cell
        }
    }
    return 0;
}

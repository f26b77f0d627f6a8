// Qt's way of letting pending window events through, installed into the
// platform hook so that the request code can pump events without knowing Qt.
#ifndef LIRABEL_APP_QT_EVENT_PUMP_H_
#define LIRABEL_APP_QT_EVENT_PUMP_H_

namespace lirabel {

// Installs the pump; call once after the QApplication exists. The pump
// dispatches every event waiting in the queue and returns; it does nothing
// while the application shuts down.
void installQtEventPump();

// Dispatches the pending events now, as the installed pump does.
void dispatchPendingEvents();

}  // namespace lirabel

#endif  // LIRABEL_APP_QT_EVENT_PUMP_H_

#include "frontend/qt/toolkit_messages.h"

#include <QtGlobal>
#include <cstdlib>

namespace frontend::qt {

namespace {

QtMessageHandler gPrevious = nullptr;

void filter(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  // Debug, info and warning messages are the toolkit's notes about itself; a user's session has
  // no use for them. What is critical or fatal still goes out.
  if (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg) return;
  if (gPrevious) gPrevious(type, context, message);
}

}  // namespace

void quietToolkitMessages() {
  if (std::getenv("VELUMOR_QT_MESSAGES")) return;
  QtMessageHandler previous = qInstallMessageHandler(filter);
  if (previous != filter) gPrevious = previous;
}

}  // namespace frontend::qt

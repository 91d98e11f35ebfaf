#pragma once
// Keeps the toolkit's own chatter ("This plugin does not support raise()", runtime-folder
// permissions) out of a session's output. Critical and fatal messages still reach stderr, and
// the project's own reports never go through the toolkit's message channel.

namespace frontend::qt {

// Installs the filter; call before the application object is made. With VELUMOR_QT_MESSAGES set
// in the environment every message passes, for whoever debugs the front end.
void quietToolkitMessages();

}  // namespace frontend::qt

#pragma once

#include <functional>

class QObject;

/// Ctrl+C (SIGINT) and kill (SIGTERM) for a program that writes files: rather than ending the
/// program where it stands, leaving a temporary file behind and words cut off, the signal is
/// only noted, and the program stops as its own 停止 does, then ends with 128 + the signal.
namespace StopSignals {

/// Notes SIGINT and SIGTERM from now on instead of ending the process.
void Install();
/// The signal noted first; 0 while none came.
int Received();
/// Calls `stop` once, on `context`'s event loop, soon after a signal is noted.
void OnReceived(QObject* context, std::function<void()> stop);

} // namespace StopSignals

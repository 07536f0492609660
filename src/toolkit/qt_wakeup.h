#pragma once
// Connects the toolkit core's hand-overs (synchronised calls, messages sent to notification
// windows) to Qt: whenever a worker queues one, an event is posted to a dispatcher on the UI
// thread whose handler runs CheckSynchronize(). So QCoreApplication::processEvents(), the idle
// main loop and modal dialogs all serve the hand-overs.
//
// Call once a QCoreApplication exists, on its thread. Idempotent. The dispatcher is a child of
// the application object and uninstalls itself when the application goes away.
void InstallQtWakeup();

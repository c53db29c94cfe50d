#pragma once

#include <functional>

class QWidget;
class ServiceCommands;
struct Session;

// Lets the service commands open their live windows over `parent`; `changed` runs when one
// closes, so the main window can mirror what the test left behind.
void attachServiceWindows(ServiceCommands &service, Session &session, QWidget *parent,
                          std::function<void()> changed);

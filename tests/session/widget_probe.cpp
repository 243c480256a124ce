// Built only by the test that shows the session library cannot see a window header.
#include <QWidget>

#include "session/polling_session.h"

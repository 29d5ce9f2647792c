#pragma once

#include <QByteArray>

// Root passes over file permissions: what a permission must refuse is
// checked by the same test function and row, run again in a child process as
// the unprivileged user "nobody". The child's exit status (0 when it passed),
// with what it printed in *output; -1 when it could not be started.
int rerunAsNobody(QByteArray *output);

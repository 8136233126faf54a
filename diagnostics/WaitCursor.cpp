#include "diagnostics/WaitCursor.h"

#include <QCursor>
#include <QGuiApplication>

TWaitCursor::TWaitCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }

TWaitCursor::~TWaitCursor() { QGuiApplication::restoreOverrideCursor(); }

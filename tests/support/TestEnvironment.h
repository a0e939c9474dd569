#pragma once

#include <QString>

#include <functional>

#include <gtest/gtest.h>

namespace qm::test {

// Every test process runs in a private temporary home: HOME and the XDG folders point into it
// before the application object exists, so no test reads or writes the real user's files.
// Call once from main(), before QCoreApplication.
void setUpPrivateHome();

// Removes the private home again; called by main() after the tests.
void tearDownPrivateHome();

// The private home of this test process.
QString privateHome();

// Writes `bytes` to `path`, creating missing folders. Returns false on failure.
bool writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);

// Runs the Qt event loop until `done()` is true or `timeoutMs` passed; returns done().
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 5000);

} // namespace qm::test

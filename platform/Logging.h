#pragma once

// Where the diagnostics of each layer go. A program decides how they look
// (Tumblerset prints "tumblerset: " before each); QT_LOGGING_RULES silences or
// widens a category, as for any Qt program ("marrowlight.registry=false").

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcRegistry)  // marrowlight.registry: the hive store
Q_DECLARE_LOGGING_CATEGORY(lcFiles)     // marrowlight.files: files written as root
Q_DECLARE_LOGGING_CATEGORY(lcNetApi)    // marrowlight.netapi: the account providers
Q_DECLARE_LOGGING_CATEGORY(lcFramework) // marrowlight.framework: the component framework

namespace logging {

// The one look of every diagnostic of a program that prints them for people:
// "<program>: <message>". QT_MESSAGE_PATTERN still wins where it is set.
void usePlainMessages(const char *program);

} // namespace logging

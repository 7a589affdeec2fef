#pragma once

#include <QString>

// Limits of what a base's name and comment may hold. Each returns the message for the user,
// or an empty text when the value can be stored.

// The name goes into the base's settings file, where the launcher later reads it back as
// part of 環境名 (area, "－", name), and the suite's settings files keep 255 bytes a value:
// at most 100 characters, every one of them in the Japanese Windows code page.
QString kyotenNameProblem(const QString& name);
// The comment column holds 1000 characters.
QString kyotenCommentProblem(const QString& comment);

inline constexpr int kKyotenNameMax = 100;
inline constexpr int kKyotenCommentMax = 1000;

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

// A name another base of the same area already has: the bases could not be told apart in
// the list. ownEb is the base's own branch (0 for a base still to be made). Empty when the
// name is free, or when the look-up failed and has said so.
QString kyotenNameTakenProblem(short KyotenCd, short ownEb, const QString& name);
QString kyotenNameTakenText();

inline constexpr int kKyotenNameMax = 100;
inline constexpr int kKyotenCommentMax = 1000;

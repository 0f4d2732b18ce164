// The names the LAN host search shows, formed from the browse entries: a
// computer entry is two backslashes and the computer's name; a share entry is
// the computer entry, a backslash and the share's own name.
#pragma once

#include <QString>

// The computer's name: the entry without its two leading backslashes. An
// entry without them is taken as it is. Empty when no name is left, which
// must not be looked up (an empty name stands for this computer).
QString hostNameOf(const QString &computerEntry);

// The share's own name: shareEntry without computerEntry and the backslash
// after it. An entry that does not start that way is shown as it is. Empty
// when no label can be formed (nothing after the prefix, or no entry).
QString shareLabelOf(const QString &shareEntry, const QString &computerEntry);

// DNS limits as the Windows SDK names them. The values are RFC 1035's
// (§2.3.4): a label has at most 63 bytes, a name at most 255 in its wire
// form; a buffer of DNS_MAX_NAME_BUFFER_LENGTH holds any name and its NUL
// (and so whatever gethostname returns).
#pragma once

#define DNS_MAX_NAME_LENGTH (255)
#define DNS_MAX_LABEL_LENGTH (63)
#define DNS_MAX_NAME_BUFFER_LENGTH (DNS_MAX_NAME_LENGTH + 1)

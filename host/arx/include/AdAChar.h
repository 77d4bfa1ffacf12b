// The host's character type: text in the host's interface is wide.
#pragma once

typedef wchar_t ACHAR;

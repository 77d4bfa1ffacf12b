// Utilities of the host that modules call: command-line output and the wildcard matcher.
#pragma once

#include "AdAChar.h"
#include "adscodes.h"

// Formats like the platform's wide printf (%s takes wide text, %hs narrow) and appends the
// result to the command line. Always RTNORM.
int acutPrintf(const ACHAR* format, ...);

// Matches string against a wildcard pattern of the host's language:
//   #  one digit                    @  one letter
//   .  one character that is neither letter nor digit
//   *  any run of characters, also none    ?  any one character
//   ~  first in an alternative: matches what the rest does not match
//   [abc] [a-z]  one of the set     [~abc]  one character not in the set
//                (inside brackets every character is literal; ']' first is a member)
//   `  takes the next character literally    ,  separates alternatives
// RTNORM on a match, RTERROR otherwise (also for a null string or pattern). With ignoreCase
// letters compare without regard to case, also beyond ASCII. Time is bounded by the product
// of the lengths: no pattern makes it backtrack.
int acutWcMatchEx(const ACHAR* string, const ACHAR* pattern, bool ignoreCase);
// The same with letter case significant.
int acutWcMatch(const ACHAR* string, const ACHAR* pattern);

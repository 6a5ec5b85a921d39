// The decimal separator numbers are read and written with: the system
// locale's, fixed once at start-up.
#pragma once

namespace varnel {

// '.' unless set otherwise.
char DecimalSeparator();
void SetDecimalSeparator(char separator);
// The system locale's separator, or '.' when it is not a single ASCII character.
char SystemDecimalSeparator();

}  // namespace varnel

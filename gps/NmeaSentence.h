// Reading NMEA sentences: their fields, their numbers (whatever the user's locale) and
// their checksums, and which lines the receiver takes its position from.
#pragma once

#include <string>
#include <string_view>

// Field `k` of `sentence`, field 0 being the sentence name: the text between the k-th and
// the (k+1)-th comma. With `last` set the field ends at the '*' of the checksum instead.
// A field whose ending delimiter is missing is empty.
std::string GetNmeaField(std::string_view sentence, int k, bool last);

// The number at the start of `text` as the receiver wrote it: leading blanks, a sign,
// digits with an optional '.' fraction and exponent. Anything after the number is
// ignored; 0 when there is no number or it lies beyond a double.
// The decimal point is always '.', whatever locale the program runs in.
double NmeaNumber(std::string_view text);

enum class NmeaChecksum { Absent, Good, Bad };
// A line with a '*' must end in "*hh", the XOR of the bytes between the leading '$' (or
// the line start) and the '*', as two hex digits of either case.
NmeaChecksum CheckNmeaChecksum(std::string_view line);

// What one received line means to the receiver.
struct NmeaLineEffect {
    bool recognised = false;   // a line the receiver knows
    bool setsPosition = false; // it becomes the stored position sentence
    std::string position;      // the stored text
};

// Position sentences "$GPGGA", "37=", "38=", "39=" are stored as they are; "$GPLLQ" is
// stored without its third field, so that its fields stand where those of "$GPGGA" stand;
// "$GPGSV" is recognised and not stored. A line whose checksum does not match, or that
// holds a NUL byte, is not a sentence at all.
NmeaLineEffect ClassifyNmeaLine(std::string_view line);

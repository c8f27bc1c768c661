#pragma once

#include <array>
#include <vector>

namespace speech {

/// Stream-format codes of the speech platform outside the PCM range.
inline constexpr int kNoAssignedFormat = 0;
inline constexpr int kTextFormat = 1;
inline constexpr int kNonStandardFormat = 2;   // a stream without a wave format
inline constexpr int kExtendedAudioFormat = 3; // a wave format the table does not list
inline constexpr int kFirstPcmFormat = 4;
inline constexpr int kLastPcmFormat = 39;

struct AudioFormatEntry
{
    int code;
    const char16_t* label;  // "单声道" mono, "双声道" stereo; 11, 22 and 44 kHz are 11025 …
};

/// The PCM formats the format list offers, in its order: entry i has the code 4 + i.
inline constexpr std::array<AudioFormatEntry, 36> AudioFormatTable{{
    {4, u"8kHz 8 Bit 单声道"},   {5, u"8kHz 8 Bit 双声道"},   {6, u"8kHz 16 Bit 单声道"},
    {7, u"8kHz 16 Bit 双声道"},  {8, u"11kHz 8 Bit 单声道"},  {9, u"11kHz 8 Bit 双声道"},
    {10, u"11kHz 16 Bit 单声道"}, {11, u"11kHz 16 Bit 双声道"}, {12, u"12kHz 8 Bit 单声道"},
    {13, u"12kHz 8 Bit 双声道"},  {14, u"12kHz 16 Bit 单声道"}, {15, u"12kHz 16 Bit 双声道"},
    {16, u"16kHz 8 Bit 单声道"},  {17, u"16kHz 8 Bit 双声道"},  {18, u"16kHz 16 Bit 单声道"},
    {19, u"16kHz 16 Bit 双声道"}, {20, u"22kHz 8 Bit 单声道"},  {21, u"22kHz 8 Bit 双声道"},
    {22, u"22kHz 16 Bit 单声道"}, {23, u"22kHz 16 Bit 双声道"}, {24, u"24kHz 8 Bit 单声道"},
    {25, u"24kHz 8 Bit 双声道"},  {26, u"24kHz 16 Bit 单声道"}, {27, u"24kHz 16 Bit 双声道"},
    {28, u"32kHz 8 Bit 单声道"},  {29, u"32kHz 8 Bit 双声道"},  {30, u"32kHz 16 Bit 单声道"},
    {31, u"32kHz 16 Bit 双声道"}, {32, u"44kHz 8 Bit 单声道"},  {33, u"44kHz 8 Bit 双声道"},
    {34, u"44kHz 16 Bit 单声道"}, {35, u"44kHz 16 Bit 双声道"}, {36, u"48kHz 8 Bit 单声道"},
    {37, u"48kHz 8 Bit 双声道"},  {38, u"48kHz 16 Bit 单声道"}, {39, u"48kHz 16 Bit 双声道"},
}};

/// The entry the format list selects when the current format cannot be read: 16 kHz 16-bit mono.
inline constexpr int kUnreadableFormatEntry = 14;

/// The table entry of a code, or -1.
int AudioFormatEntryOf(int code);

/// The bit rates an MP3 of the format `code` can be written at, lowest first (Mp3BitRates at the
/// rate and channels it is encoded at, see EncodedWaveFormat); none for a code the table lacks.
std::vector<int> Mp3BitRatesOfFormat(int code);

} // namespace speech

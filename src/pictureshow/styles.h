#pragma once
// The catalogue of the 92 transition styles: numbers, identifiers and display names.
// Style numbers are the shared vocabulary of the settings file, the editor and the picture-show
// control. For 2, 3 and 8 the identifier and the display name describe the motion differently;
// both are kept exactly as they are known to users and settings files.

#include <optional>
#include <string_view>

namespace qel::pictureshow {

enum ShowStyle : unsigned char {
    seWipeLeft = 0,
    seWipeRight = 1,
    seWipeUp = 2,
    seWipeDown = 3,
    seWipeBoxLT = 4,
    seWipeBoxLB = 5,
    seWipeBoxRT = 6,
    seWipeBoxRB = 7,
    seClockWise = 8,
    seDeasil = 9,
    seBandWL = 10,
    seBandWR = 11,
    seBandCrossH = 12,
    seBandWU = 13,
    seBandWD = 14,
    seBandCrossV = 15,
    seRoundOut = 16,
    seRoundIn = 17,
    seWipeTL = 18,
    seWipeBL = 19,
    seWipeTR = 20,
    seWipeBR = 21,
    seChessBoardH = 22,
    seChessBoardH2 = 23,
    seChessBoardV = 24,
    seChessBoardV2 = 25,
    seCrossOut = 26,
    seCrossIn = 27,
    seDiagOut = 28,
    seDiagIn = 29,
    seBoxOut = 30,
    seBoxIn = 31,
    seChordLeft = 32,
    seChordRight = 33,
    seChordDown = 34,
    seChordUp = 35,
    seSectorUp = 36,
    seSectorDown = 37,
    seSectorLeft = 38,
    seSectorRight = 39,
    seSplitH = 40,
    seSplitV = 41,
    seWinOpen = 42,
    seWinClose = 43,
    seWinOpenH = 44,
    seWinCloseH = 45,
    seDissolve = 46,
    seLDissolve = 47,
    seTriangle = 48,
    seBlindHD = 49,
    seBlindVR = 50,
    seBlindHU = 51,
    seBlindVL = 52,
    seXBlindHD = 53,
    seXBlindVR = 54,
    seXBlindHU = 55,
    seXBlindVL = 56,
    seBoxZoomIn = 57,
    seBoxZoomOut = 58,
    seSweatOut = 59,
    seSweatIn = 60,
    seRollLeft = 61,
    seRollRight = 62,
    seRollUp = 63,
    seRollDown = 64,
    seWindmill = 65,
    seWindmill2 = 66,
    seArcDown = 67,
    seArcUp = 68,
    seArcRight = 69,
    seArcLeft = 70,
    seSwarmWL = 71,
    seSwarmWR = 72,
    seSwarmWU = 73,
    seSwarmWD = 74,
    seCrossWLT = 75,
    seCrossWRT = 76,
    seCrossWLB = 77,
    seCrossWRB = 78,
    seCross1 = 79,
    seCross2 = 80,
    seRandomLeft = 81,
    seRandomRight = 82,
    seRandomOpen = 83,
    seRandomClose = 84,
    seRandomBoxIn = 85,
    seRandomBoxOut = 86,
    seArcLt = 87,
    seArcRT = 88,
    seArcLB = 89,
    seArcRB = 90,
    seFade = 91
};

inline constexpr int kStyleCount = 92;

// Identifier ("seWipeLeft") and display name ("WipeLeft") of style 0..91; "" outside that range.
[[nodiscard]] std::string_view StyleIdentifier(int style);
[[nodiscard]] std::string_view StyleDisplayName(int style);
// The first style whose display name equals text, compared without regard to letter case.
[[nodiscard]] std::optional<int> FindStyleByName(std::string_view text);

}  // namespace qel::pictureshow

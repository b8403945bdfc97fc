#pragma once

// Where the app shell meets the city tree, the selected city and device location. Until
// those classes are wired in, each call does the least: the selected city is the one stored
// under "cityId" (its script index + 1), else the default city; locating starts nothing.
class QXCityLocationSeam {
public:
    // Script index of the city used before the user ever chose one: the first city of the
    // city tree.
    static constexpr int kDefaultCityScriptIndex = 0;

    // Loads the city tree and answers the selected city's script index.
    [[nodiscard]] static int loadCitiesData();
    // Whether the user ever chose a city ("cityId" is not 0).
    [[nodiscard]] static bool cityWasEverChosen();
    // Starts locating the device.
    static void startLocating();
};

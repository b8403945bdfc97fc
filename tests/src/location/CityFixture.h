#pragma once

#include "location/CityData.h"
#include "location/CityNode.h"

#include "platform/foundation/user_defaults.h"

#include "../net/ServiceCallFixture.h"

#include <optional>

// What a city switch told its target.
struct SwitchOutcome : CityUpdateTarget {
    void updateCitySuccessWithIndex(int scriptIndex) override { succeeded.push_back(scriptIndex); }
    void updateCityFailed() override { ++failures; }
    [[nodiscard]] int calls() const { return int(succeeded.size()) + failures; }

    std::vector<int> succeeded;
    int failures = 0;
};

// A city tree loaded from the shipped database, with the stand-in answering its updates.
class CityFixture : public ServiceCallFixture {
protected:
    void SetUp() override {
        ServiceCallFixture::SetUp();
        cityData_ = std::make_shared<CityData>();
        cityData_->LoadProvinceInfoWinthCurrent();
    }

    static ns::UserDefaults& defaults() { return ns::UserDefaults::standardUserDefaults(); }
    [[nodiscard]] CityData& cityData() { return *cityData_; }
    [[nodiscard]] std::shared_ptr<CityData> cityDataPtr() { return cityData_; }

    // Switches to a city and waits for the one callback; the outcome of that switch.
    std::shared_ptr<SwitchOutcome> switchTo(int scriptIndex) {
        auto outcome = std::make_shared<SwitchOutcome>();
        cityData_->updateStreetInfo(scriptIndex, outcome);
        EXPECT_TRUE(waitUntil([&] { return outcome->calls() >= 1; })) << scriptIndex;
        EXPECT_EQ(outcome->calls(), 1) << scriptIndex;
        return outcome;
    }

    // The district names now hung under the current city.
    [[nodiscard]] QStringList currentDistrictNames() const {
        QStringList names;
        if (const auto city = cityData_->currentCity()) {
            for (const auto& district : city->Districts) names << district->name();
        }
        return names;
    }

    // The "version" header of the update requests sent so far, oldest first.
    [[nodiscard]] QStringList sentVersions() {
        QStringList versions;
        for (const auto& request : server().requests(standin::paths::kDataShare)) {
            if (request.header("interface") == "GetLastGeography") {
                versions << QString::fromLatin1(request.header("version"));
            }
        }
        return versions;
    }

private:
    std::shared_ptr<CityData> cityData_;
};

// The Phone plug-in as the engine binds it: its one type, objects made for
// definitions and snapshots, and its release, which lets the telephony
// service go.
#include "collections/RunnerCalls.h"
#include "platform/Clock.h"
#include "platform/headless/Headless.h"
#include "platform/telephony/ScriptedTelephony.h"
#include "script/DLLExModule.h"
#include "script/Element.h"
#include "script/ScriptTypes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <string>

namespace {

class CPhoneModuleTest : public ::testing::Test {
protected:
    CPhoneModuleTest()
    {
        headless.setMessagesToStandardError(false);
        service->addLine("L");
        platform::telephony::setTelephony(service);
    }
    ~CPhoneModuleTest() override { platform::telephony::setTelephony(nullptr); }

    collectionstest::Runtime runtime;
    platform::ManualClock clock;
    platform::HeadlessPlatform headless{clock};
    platform::ScopedPlatform usePlatform{&headless};
    scripttest::TestScene first{"FIRST"};
    scripttest::TestScene second{"SECOND"};
    std::shared_ptr<platform::telephony::ScriptedTelephony> service =
        std::make_shared<platform::telephony::ScriptedTelephony>();
};

TEST_F(CPhoneModuleTest, MakesPhonesAndLetsTheServiceGoWhenReleased)
{
    std::unique_ptr<CMC_DLLExModuleInterface> binding(new CMC_DLLExModuleInterface(CXString("Phone.dll"), &first));
    CMC_ExternObject* module = binding->getModuleInterface();
    ASSERT_NE(module, nullptr);
    CXString** names = module->getImplementedTypes();
    ASSERT_NE(names[0], nullptr);
    EXPECT_STREQ(names[0]->c_str(), "PHONEEXT");
    EXPECT_EQ(names[1], nullptr);
    EXPECT_TRUE(module->isSupported(CXString("PHONEEXT")));
    EXPECT_FALSE(module->isSupported(CXString("phoneext")));

    const long installed = service.use_count();
    CMElement element(CXString("P"));
    element.addProperty("TYPE", "PHONEEXT");
    CMC_Object* made = module->resolve(&second, &element);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->getType(), 10000);
    EXPECT_STREQ(made->getName().c_str(), "P");
    // The plug-in's line list holds the service now.
    EXPECT_GT(service.use_count(), installed);
    delete made;

    EXPECT_EQ(module->serialize(10001, nullptr), nullptr);
    testsupport::DebugCapture debug;
    CMC_Object* restored = module->serialize(10000, nullptr);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->getScene(), &first);
    EXPECT_STREQ(restored->getName().c_str(), "temp");
    delete restored;
    EXPECT_EQ(debug.holding("CMS_Scene"), std::vector<std::string>{"Phone: CMC_Phone::CMC_Phone( CMS_Scene )"});
    EXPECT_TRUE(headless.messages().empty());

    binding.reset();
    EXPECT_EQ(service.use_count(), installed);
}

} // namespace

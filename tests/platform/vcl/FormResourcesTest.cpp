#include "platform/vcl/FormResources.h"
#include "platform/vcl/FormText.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vcl;

namespace {

const TFormResourceRegistration FormResourcesTestForm("TFormResourcesTestForm",
                                                      "object FormResourcesTestForm: TFormResourcesTestForm\n"
                                                      "  Caption = 'Embedded'\n"
                                                      "end\n");

TEST(FormResources, FindsRegisteredFormsByClassNameIgnoringCase) {
    EXPECT_FALSE(FindFormResource("TFormResourcesTestForm").empty());
    EXPECT_EQ(FindFormResource("tformresourcestestform"), FindFormResource("TFormResourcesTestForm"));
    EXPECT_TRUE(FindFormResource("TNoSuchForm").empty());
    const auto names = FormResourceNames();
    EXPECT_NE(std::find(names.begin(), names.end(), "TFormResourcesTestForm"), names.end());
    const std::string text(FindFormResource("TFormResourcesTestForm"));
    EXPECT_EQ(ObjectBinaryToText(ObjectTextToBinary(text)), text);
}

TEST(FormResources, LaterRegistrationReplaces) {
    RegisterFormResource("TFormResourcesReplaced", "object A: TFormResourcesReplaced\nend\n");
    RegisterFormResource("TFormResourcesReplaced", "object B: TFormResourcesReplaced\nend\n");
    EXPECT_EQ(FindFormResource("TFormResourcesReplaced"), "object B: TFormResourcesReplaced\nend\n");
}

} // namespace

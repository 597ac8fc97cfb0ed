// The administrative template that Group Policy and MDM services ingest describes exactly the
// policies the code reads, under the same key, value name and type.

#include "classes/uPolicy.h"
#include "framework/AsciiText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

using namespace prolamo;

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string ReadTemplate(const std::string& name) {
    std::ifstream in(std::string(PROLAMO_POLICY_TEMPLATES) + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Unescaped(std::string text) {
    static const std::pair<const char*, const char*> kEntities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [entity, plain] : kEntities)
        for (std::size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1))
            text.replace(at, std::strlen(entity), plain);
    return text;
}

std::string Attribute(const std::string& tag, const std::string& name) {
    std::smatch match;
    return std::regex_search(tag, match, std::regex("\\s" + name + "=\"([^\"]*)\"")) ? Unescaped(match[1]) : "";
}

struct TTemplatePolicy {
    std::string attributes;
    std::string body;
};

std::map<std::string, TTemplatePolicy> AdmxPolicies(const std::string& admx) {
    std::map<std::string, TTemplatePolicy> policies;
    const std::regex policy("<policy(\\s[^>]*)>([\\s\\S]*?)</policy>");
    for (std::sregex_iterator it(admx.begin(), admx.end(), policy), end; it != end; ++it)
        policies[Attribute((*it)[1], "name")] = {(*it)[1], (*it)[2]};
    return policies;
}

std::map<std::string, std::string> AdmlStrings(const std::string& adml) {
    std::map<std::string, std::string> strings;
    const std::regex string("<string id=\"([^\"]*)\">([^<]*)</string>");
    for (std::sregex_iterator it(adml.begin(), adml.end(), string), end; it != end; ++it)
        strings[(*it)[1]] = Unescaped((*it)[2]);
    return strings;
}

} // namespace

TEST(PolicyTemplate, TheAdmxAndAdmlDescribeEveryPolicyTheCodeReadsAndNoOther) {
    const std::string admx = ReadTemplate("prolamo.admx");
    const std::string adml = ReadTemplate("en-US/prolamo.adml");
    ASSERT_NE(admx, "");
    ASSERT_NE(adml, "");
    const std::map<std::string, TTemplatePolicy> policies = AdmxPolicies(admx);
    const std::map<std::string, std::string> strings = AdmlStrings(adml);

    std::size_t described = 0;
    for (const TPolicyInfo& info : Policies()) {
        SCOPED_TRACE(info.name);
        const auto found = policies.find(info.name);
        ASSERT_NE(found, policies.end());
        ++described;
        const std::string& tag = found->second.attributes;
        const std::string& body = found->second.body;
        EXPECT_TRUE(SameText(Attribute(tag, "key"), PolicyKey)) << Attribute(tag, "key");
        EXPECT_EQ(Attribute(tag, "class"), info.scope == TPolicyScope::Machine ? "Machine" : "Both");
        EXPECT_TRUE(Contains(body, "<parentCategory ref=\"Prolamo\" />")) << body;
        EXPECT_TRUE(Contains(body, "<supportedOn ref=\"SUPPORTED_Prolamo\" />")) << body;
        const std::string name = info.name;
        if (info.type == TPolicyType::Number) {
            EXPECT_EQ(Attribute(tag, "valueName"), name);
            EXPECT_TRUE(Contains(body, "<enabledValue><decimal value=\"1\" /></enabledValue>")) << body;
            EXPECT_TRUE(Contains(body, "<disabledValue><decimal value=\"0\" /></disabledValue>")) << body;
            EXPECT_FALSE(Contains(body, "<elements>")) << body;
        } else {
            EXPECT_EQ(Attribute(tag, "valueName"), "");
            EXPECT_TRUE(Contains(body, "<text id=\"" + name + "\" valueName=\"" + name + "\"")) << body;
            EXPECT_EQ(Attribute(tag, "presentation"), "$(presentation." + name + ")");
            EXPECT_TRUE(Contains(adml, "<presentation id=\"" + name + "\">\n        <textBox refId=\"" + name + "\">"));
        }
        EXPECT_EQ(Attribute(tag, "displayName"), "$(string." + name + ")");
        EXPECT_EQ(Attribute(tag, "explainText"), "$(string." + name + "_Explain)");
        EXPECT_NE(strings.count(name), 0u);
        EXPECT_EQ(strings.count(name + "_Explain") ? strings.at(name + "_Explain") : "", info.explanation);
    }
    EXPECT_EQ(policies.size(), described) << "the template holds a policy the code does not read";
    EXPECT_EQ(strings.count("Prolamo") + strings.count("SUPPORTED_Prolamo"), 2u);
}

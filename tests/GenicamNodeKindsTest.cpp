// Each element that names a node is built as the class of its kind, which
// alone parses, reads and writes it; and an element a kind does not read is
// skipped, whatever it holds, as any element the engine has no use for.
#include <string>

#include <gtest/gtest.h>

#include "nodes/kinds/BooleanNode.h"
#include "nodes/kinds/CategoryNode.h"
#include "nodes/kinds/CommandNode.h"
#include "nodes/kinds/ConverterNode.h"
#include "nodes/kinds/EnumerationNode.h"
#include "nodes/kinds/FloatRegNode.h"
#include "GenicamCamera.h"
#include "nodes/kinds/IntRegNode.h"
#include "map/NodeMap.h"
#include "nodes/kinds/NumberNode.h"
#include "nodes/kinds/PortNode.h"
#include "nodes/kinds/StringNode.h"
#include "nodes/kinds/StringRegNode.h"
#include "nodes/kinds/SwissKnifeNode.h"

namespace {

namespace engine = genicam::engine;

// The classes a node is, by name, in a fixed order.
std::string classesOf(const engine::Node &node)
{
    std::string classes;
    auto add = [&](bool is, const char *name) {
        if (is)
            classes += classes.empty() ? name : std::string(" ") + name;
    };
    add(node.as<engine::NumberNode>(), "Number");
    add(node.as<engine::RegisterNode>(), "Register");
    add(node.as<engine::IntRegNode>(), "IntReg");
    add(node.as<engine::MaskedIntRegNode>(), "MaskedIntReg");
    add(node.as<engine::FloatRegNode>(), "FloatReg");
    add(node.as<engine::StringRegNode>(), "StringReg");
    add(node.as<engine::EnumerationNode>(), "Enumeration");
    add(node.as<engine::BooleanNode>(), "Boolean");
    add(node.as<engine::CommandNode>(), "Command");
    add(node.as<engine::StringNode>(), "String");
    add(node.as<engine::FormulaNode>(), "Formula");
    add(node.as<engine::SwissKnifeNode>(), "SwissKnife");
    add(node.as<engine::ConverterNode>(), "Converter");
    add(node.as<engine::CategoryNode>(), "Category");
    add(node.as<engine::PortNode>(), "Port");
    return classes;
}

struct Built {
    const char *name;
    const char *type;
    const char *classes;
};

TEST(NodeKinds, EachElementIsBuiltAsTheClassOfItsKind)
{
    std::string xml = description(R"(
<Category Name="Root"><pFeature>Width</pFeature></Category>
<Integer Name="Width"><Value>1</Value></Integer>
<Float Name="Gain"><Value>1</Value></Float>
<IntReg Name="Le"><Address>0</Address><Length>4</Length><pPort>Device</pPort></IntReg>
<MaskedIntReg Name="Field"><Address>0</Address><Length>4</Length><Bit>3</Bit><pPort>Device</pPort></MaskedIntReg>
<StructReg Comment="S"><Address>0</Address><Length>4</Length><pPort>Device</pPort>
  <StructEntry Name="Entry"><Bit>1</Bit></StructEntry></StructReg>
<FloatReg Name="Exposure"><Address>0</Address><Length>4</Length><pPort>Device</pPort></FloatReg>
<StringReg Name="Vendor"><Address>0</Address><Length>8</Length><pPort>Device</pPort></StringReg>
<Register Name="Blob"><Address>0</Address><Length>8</Length><pPort>Device</pPort>
  <IntSwissKnife Name="Inner"><Formula>4</Formula></IntSwissKnife></Register>
<Enumeration Name="Mode"><EnumEntry Name="A"><Value>0</Value></EnumEntry><Value>0</Value></Enumeration>
<Boolean Name="Flag"><Value>true</Value></Boolean>
<Command Name="Go"><Value>0</Value><CommandValue>1</CommandValue></Command>
<String Name="Text"><Value>x</Value></String>
<SwissKnife Name="Knife"><Formula>1.5</Formula></SwissKnife>
<IntConverter Name="Scaled"><pValue>Width</pValue><FormulaTo>FROM</FormulaTo><FormulaFrom>TO</FormulaFrom></IntConverter>
<Converter Name="Ratio"><pValue>Gain</pValue><FormulaTo>FROM</FormulaTo><FormulaFrom>TO</FormulaFrom></Converter>
<ConfRom Name="Rom"/>
)");
    std::string reason;
    std::shared_ptr<const genicam::NodeMap> nodes = genicam::parseNodeMap(xml.data(), xml.size(), &reason);
    ASSERT_TRUE(nodes) << reason;
    const Built kBuilt[] = {
        {"Root", "Category", "Category"},
        {"Width", "Integer", "Number"},
        {"Gain", "Float", "Number"},
        {"Le", "IntReg", "Register IntReg"},
        {"Field", "MaskedIntReg", "Register IntReg MaskedIntReg"},
        {"Entry", "StructEntry", "Register IntReg MaskedIntReg"},
        {"Exposure", "FloatReg", "Register FloatReg"},
        {"Vendor", "StringReg", "Register StringReg"},
        {"Blob", "Register", "Register"},
        {"Inner", "IntSwissKnife", "Formula SwissKnife"},
        {"Mode", "Enumeration", "Enumeration"},
        {"Flag", "Boolean", "Boolean"},
        {"Go", "Command", "Command"},
        {"Text", "String", "String"},
        {"Knife", "SwissKnife", "Formula SwissKnife"},
        {"Scaled", "IntConverter", "Formula Converter"},
        {"Ratio", "Converter", "Formula Converter"},
        {"Device", "Port", "Port"},
        {"Rom", "ConfRom", ""},
    };
    for (const Built &b : kBuilt) {
        SCOPED_TRACE(b.name);
        const engine::Node *node = nodes->feature(b.name);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->name, b.name);
        EXPECT_EQ(node->type, b.type);
        EXPECT_EQ(node->fault, "");
        EXPECT_EQ(classesOf(*node), b.classes);
    }
}

// Faulty text in an element that a node's kind does not read leaves the
// node sound; the same text in one it reads is its fault.
TEST(NodeKinds, AnElementAKindDoesNotReadIsSkippedWhateverItHolds)
{
    Camera camera(R"(
<Integer Name="Width"><Value>8</Value><OnValue>x</OnValue><Sign>Sideways</Sign><Length>x</Length></Integer>
<Boolean Name="Flag"><Value>true</Value><Min>x</Min><CommandValue>x</CommandValue><pIndex>Width</pIndex></Boolean>
<IntReg Name="Le"><Address>0x10</Address><Length>1</Length><pPort>Device</pPort><Bit>99</Bit></IntReg>
<Category Name="Group"><Value>x</Value><Inc>x</Inc></Category>
<Integer Name="Faulty"><Value>8</Value><Min>x</Min></Integer>
)");
    camera.port.put(0x10, "2a");
    EXPECT_EQ(camera.outcome("Width"), "value 8");
    EXPECT_EQ(camera.outcome("Flag"), "value true");
    EXPECT_EQ(camera.outcome("Le"), "value 42");
    EXPECT_EQ(camera.outcome("Faulty"), "FaultyDescription: the description is faulty at Faulty: Min is not an "
                                        "integer: 'x'");
    genicam::FeatureAccess access;
    genicam::Error error;
    ASSERT_TRUE(camera.session->access("Group", &access, &error)) << error.text;
    EXPECT_TRUE(access.implemented);
}

} // namespace

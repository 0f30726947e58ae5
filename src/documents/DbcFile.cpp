#include "documents/DbcFile.h"

#include "core/AtomicFile.h"
#include "core/Error.h"
#include "core/Utf8.h"

#include <tao/pegtl.hpp>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <system_error>
#include <unordered_map>

namespace ordane {

namespace fs = std::filesystem;

namespace {

namespace dbc {

using namespace tao::pegtl;

// Blanks stay on one line; `sp` also crosses line ends (statements that end in ';').
struct bl : star<blank> {};
struct sp : star<space> {};

struct uint_ : plus<digit> {};
struct int_ : seq<opt<one<'+', '-'>>, plus<digit>> {};
struct real_ : seq<opt<one<'+', '-'>>,
                   sor<seq<plus<digit>, opt<one<'.'>, star<digit>>>, seq<one<'.'>, plus<digit>>>,
                   opt<one<'e', 'E'>, opt<one<'+', '-'>>, plus<digit>>> {};
struct str_char : sor<seq<one<'\\'>, one<'"', '\\'>>, not_one<'"'>> {};
struct str : seq<one<'"'>, star<str_char>, one<'"'>> {};

// Statement keywords: each resets what the previous statement left behind.
struct kw_version : TAO_PEGTL_KEYWORD("VERSION") {};
struct kw_ns : TAO_PEGTL_KEYWORD("NS_") {};
struct kw_bs : TAO_PEGTL_KEYWORD("BS_") {};
struct kw_bu : TAO_PEGTL_KEYWORD("BU_") {};
struct kw_bo : TAO_PEGTL_KEYWORD("BO_") {};
struct kw_sg : TAO_PEGTL_KEYWORD("SG_") {};
// The keywords that begin a message or a signal line; in references they are kw_bo, kw_sg.
struct kw_bo_line : TAO_PEGTL_KEYWORD("BO_") {};
struct kw_sg_line : TAO_PEGTL_KEYWORD("SG_") {};
struct kw_ev : TAO_PEGTL_KEYWORD("EV_") {};
struct kw_txbu : TAO_PEGTL_KEYWORD("BO_TX_BU_") {};
struct kw_cm : TAO_PEGTL_KEYWORD("CM_") {};
struct kw_badef : TAO_PEGTL_KEYWORD("BA_DEF_") {};
struct kw_badefdef : TAO_PEGTL_KEYWORD("BA_DEF_DEF_") {};
struct kw_ba : TAO_PEGTL_KEYWORD("BA_") {};
struct kw_val : TAO_PEGTL_KEYWORD("VAL_") {};
struct kw_valtable : TAO_PEGTL_KEYWORD("VAL_TABLE_") {};
struct kw_sigvaltype : TAO_PEGTL_KEYWORD("SIG_VALTYPE_") {};
struct kw_enum : TAO_PEGTL_KEYWORD("ENUM") {};

// VERSION "text"
struct version_text : str {};
struct version_body : seq<version_text, bl, eolf> {};
struct version_ : seq<kw_version, bl, must<version_body>> {};

// NS_ : followed by indented symbol lines
struct ns_line : seq<plus<blank>, until<eolf>> {};
struct ns_body : seq<one<':'>, until<eolf>, star<sor<ns_line, seq<bl, eol>>>> {};
struct ns_ : seq<kw_ns, bl, must<ns_body>> {};

struct bs_ : seq<kw_bs, until<eolf>> {};

// BU_: NODE NODE ...
struct node_name : identifier {};
struct bu_body : seq<one<':'>, bl, star<node_name, bl>, eolf> {};
struct bu_ : seq<kw_bu, bl, must<bu_body>> {};

// SG_ name [M|mN|mNM] : start|length@order sign (factor,offset) [min|max] "unit" receivers
struct sg_name : identifier {};
struct sg_mux : sor<seq<one<'m'>, plus<digit>, opt<one<'M'>>>, one<'M'>> {};
struct sg_start : uint_ {};
struct sg_length : uint_ {};
struct sg_order : one<'0', '1'> {};
struct sg_sign : one<'+', '-'> {};
struct sg_factor : real_ {};
struct sg_offset : real_ {};
struct sg_min : real_ {};
struct sg_max : real_ {};
struct sg_unit : str {};
struct sg_receiver : identifier {};
struct sg_receivers : list<sg_receiver, sor<seq<bl, one<','>, bl>, plus<blank>>> {};
struct sg_body : seq<sg_name, bl, opt<sg_mux, bl>, one<':'>, bl, sg_start, bl, one<'|'>, bl,
                     sg_length, bl, one<'@'>, sg_order, sg_sign, bl, one<'('>, bl, sg_factor, bl,
                     one<','>, bl, sg_offset, bl, one<')'>, bl, one<'['>, bl, sg_min, bl, one<'|'>,
                     bl, sg_max, bl, one<']'>, bl, sg_unit, bl, opt<sg_receivers>, bl, eolf> {};
// Where a statement or a signal line begins: the line that its errors name.
struct mark : success {};
struct sg_line : seq<sp, mark, kw_sg_line, bl, must<sg_body>> {};

// BO_ id name: length transmitter, then its SG_ lines
struct bo_id : uint_ {};
struct bo_name : identifier {};
struct bo_length : uint_ {};
struct bo_transmitter : identifier {};
struct bo_body : seq<bo_id, plus<blank>, bo_name, bl, one<':'>, bl, bo_length, bl,
                     opt<bo_transmitter>, bl, eolf> {};
struct bo_ : seq<kw_bo_line, bl, must<bo_body>, star<sg_line>> {};

struct sg_outside : failure {};
struct stray_sg_ : seq<kw_sg, must<sg_outside>> {};

// Objects that CM_ and BA_ refer to.
struct ref_id : uint_ {};
struct ref_name : identifier {};
struct obj_bu : seq<kw_bu, sp, ref_name> {};
struct obj_bo : seq<kw_bo, sp, ref_id> {};
struct obj_sg : seq<kw_sg, sp, ref_id, sp, ref_name> {};
struct obj_ev : seq<kw_ev, sp, ref_name> {};
struct target : sor<obj_bu, obj_bo, obj_sg, obj_ev> {};

// BO_TX_BU_ id : NODE,NODE;
struct tx_node : identifier {};
struct txbu_body
    : seq<ref_id, sp, one<':'>, sp, opt<list<tx_node, one<','>, space>>, sp, one<';'>> {};
struct txbu_ : seq<kw_txbu, sp, must<txbu_body>> {};

// CM_ [object] "text";
struct cm_text : str {};
struct cm_body : seq<opt<target, sp>, cm_text, sp, one<';'>> {};
struct cm_ : seq<kw_cm, sp, must<cm_body>> {};

// BA_DEF_ [object kind] "name" type ...;
struct attr_name : str {};
struct enum_value : str {};
struct badef_kind : sor<kw_bu, kw_bo, kw_sg, kw_ev> {};
struct badef_body : seq<opt<badef_kind, sp>, attr_name, sp,
                        sor<seq<kw_enum, sp, opt<list<enum_value, one<','>, space>>, sp, one<';'>>,
                            until<one<';'>, sor<str, any>>>> {};
struct badef_ : seq<kw_badef, sp, must<badef_body>> {};

// BA_DEF_DEF_ "name" value; and BA_ "name" [object] value;
struct value_text : str {};
struct value_number : real_ {};
struct attr_value : sor<value_text, value_number> {};
struct badefdef_body : seq<attr_name, sp, attr_value, sp, one<';'>> {};
struct badefdef_ : seq<kw_badefdef, sp, must<badefdef_body>> {};
struct ba_body : seq<attr_name, sp, opt<target, sp>, attr_value, sp, one<';'>> {};
struct ba_ : seq<kw_ba, sp, must<ba_body>> {};

// VAL_ id signal n "text" ...; (or an environment variable) and VAL_TABLE_ name n "text" ...;
struct desc_number : int_ {};
struct desc_text : str {};
struct value_desc : seq<desc_number, sp, desc_text> {};
struct val_signal : seq<ref_id, sp, ref_name> {};
struct val_body : seq<sor<val_signal, ref_name>, sp, star<value_desc, sp>, one<';'>> {};
struct val_ : seq<kw_val, sp, must<val_body>> {};
struct table_name : identifier {};
struct valtable_body : seq<table_name, sp, star<value_desc, sp>, one<';'>> {};
struct valtable_ : seq<kw_valtable, sp, must<valtable_body>> {};

// SIG_VALTYPE_ id signal : type;
struct value_type : uint_ {};
struct sigvaltype_body : seq<ref_id, sp, ref_name, sp, one<':'>, sp, value_type, sp, one<';'>> {};
struct sigvaltype_ : seq<kw_sigvaltype, sp, must<sigvaltype_body>> {};

// Sections the import does not need (EV_, SIG_GROUP_, BA_DEF_REL_, ...) end with ';'.
struct other_ : seq<identifier, until<one<';'>, sor<str, any>>> {};

struct statement : seq<mark, sor<version_, ns_, bs_, bu_, bo_, stray_sg_, txbu_, cm_, badefdef_,
                                 badef_, ba_, valtable_, val_, sigvaltype_, other_>> {};
struct bom : TAO_PEGTL_STRING("\xEF\xBB\xBF") {};
struct file : seq<opt<bom>, sp, until<eof, must<statement>, sp>> {};

template <typename> inline constexpr const char* errorMessage = nullptr;
template <> inline constexpr auto errorMessage<version_body> = "VERSION needs a quoted text";
template <> inline constexpr auto errorMessage<ns_body> = "NS_ needs a ':'";
template <> inline constexpr auto errorMessage<bu_body> = "BU_ needs a ':' followed by node names";
template <>
inline constexpr auto errorMessage<bo_body> =
    "truncated or malformed BO_ line; expected BO_ <identifier> <name>: <length> <transmitter>";
template <>
inline constexpr auto errorMessage<sg_body> =
    "truncated or malformed SG_ line; expected SG_ <name> : <start>|<length>@<byte order><sign> "
    "(<factor>,<offset>) [<minimum>|<maximum>] \"<unit>\" <receivers>";
template <> inline constexpr auto errorMessage<sg_outside> = "SG_ line outside a BO_ message";
template <> inline constexpr auto errorMessage<txbu_body> = "malformed BO_TX_BU_ statement";
template <> inline constexpr auto errorMessage<cm_body> = "malformed CM_ statement";
template <> inline constexpr auto errorMessage<badef_body> = "malformed BA_DEF_ statement";
template <> inline constexpr auto errorMessage<badefdef_body> = "malformed BA_DEF_DEF_ statement";
template <> inline constexpr auto errorMessage<ba_body> = "malformed BA_ statement";
template <> inline constexpr auto errorMessage<val_body> = "malformed VAL_ statement";
template <> inline constexpr auto errorMessage<valtable_body> = "malformed VAL_TABLE_ statement";
template <>
inline constexpr auto errorMessage<sigvaltype_body> = "malformed SIG_VALTYPE_ statement";
template <> inline constexpr auto errorMessage<statement> = "not a DBC statement";

struct errors {
    template <typename Rule> static constexpr auto message = errorMessage<Rule>;
};

template <typename Rule> using control = must_if<errors>::control<Rule>;

// What the statement being read has collected so far.
struct State {
    DbcFile file;
    std::unordered_map<std::uint32_t, std::size_t> byId;
    std::map<std::string, std::vector<std::string>> enums; // BA_DEF_ ENUM names
    std::string fileName;
    bool sawSection = false;
    std::size_t markLine = 1;

    enum class Target { None, Node, Message, Signal, Variable } target = Target::None;
    std::uint32_t refId = 0;
    std::string refName;
    std::string attribute;
    std::string value;
    bool valueIsNumber = false;
    std::int64_t descNumber = 0;
    std::vector<std::pair<std::int64_t, std::string>> descs;
    std::vector<std::string> names;
    DbcMessage message;
    DbcSignal signal;
    int valueTypeNumber = 0;

    void reset() {
        target = Target::None;
        refName.clear();
        attribute.clear();
        value.clear();
        descs.clear();
        names.clear();
    }
    [[noreturn]] void fail(std::size_t line, const std::string& what) const {
        throw Error(fileName + ", line " + std::to_string(line) + ": " + what);
    }
    DbcMessage* messageById(std::uint32_t rawId) {
        const auto it = byId.find(rawId);
        return it == byId.end() ? nullptr : &file.messages[it->second];
    }
    DbcSignal* signalOf(std::uint32_t rawId, const std::string& name) {
        DbcMessage* m = messageById(rawId);
        if (!m)
            return nullptr;
        for (DbcSignal& s : m->signalList)
            if (s.name == name)
                return &s;
        return nullptr;
    }
};

std::string unquote(std::string_view quoted) {
    std::string text;
    text.reserve(quoted.size());
    for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
        if (quoted[i] == '\\' && i + 2 < quoted.size() &&
            (quoted[i + 1] == '"' || quoted[i + 1] == '\\'))
            ++i;
        text += quoted[i];
    }
    return text;
}

template <typename Number>
Number toNumber(std::string_view text, std::size_t line, const State& s) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    Number value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        s.fail(line, "the number " + std::string(text) + " is out of range");
    return value;
}

double toReal(std::string_view text) {
    // strtod on a copy: the text ends where the grammar said it does.
    return std::strtod(std::string(text).c_str(), nullptr);
}

template <typename Rule> struct action : nothing<Rule> {};

template <typename Rule> struct resetting {
    template <typename Input> static void apply(const Input&, State& s) { s.reset(); }
};
template <> struct action<kw_txbu> : resetting<kw_txbu> {};
template <> struct action<kw_cm> : resetting<kw_cm> {};
template <> struct action<kw_badef> : resetting<kw_badef> {};
template <> struct action<kw_badefdef> : resetting<kw_badefdef> {};
template <> struct action<kw_ba> : resetting<kw_ba> {};
template <> struct action<kw_val> : resetting<kw_val> {};
template <> struct action<kw_valtable> : resetting<kw_valtable> {};
template <> struct action<kw_sigvaltype> : resetting<kw_sigvaltype> {};

template <> struct action<mark> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.markLine = in.position().line;
    }
};
template <> struct action<version_text> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.file.version = unquote(in.string_view());
        s.sawSection = true;
    }
};
template <> struct action<ns_body> {
    template <typename Input> static void apply(const Input&, State& s) { s.sawSection = true; }
};
template <> struct action<node_name> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.file.nodes.push_back(in.string());
    }
};
template <> struct action<bu_body> {
    template <typename Input> static void apply(const Input&, State& s) { s.sawSection = true; }
};

template <> struct action<kw_bo_line> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.message = DbcMessage{};
        s.message.line = int(in.position().line);
    }
};
template <> struct action<bo_id> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.message.rawId = toNumber<std::uint32_t>(in.string_view(), in.position().line, s);
    }
};
template <> struct action<bo_name> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.message.name = in.string();
    }
};
template <> struct action<bo_length> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.message.length = toNumber<int>(in.string_view(), in.position().line, s);
    }
};
template <> struct action<bo_transmitter> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.message.transmitter = in.string();
    }
};
template <> struct action<bo_body> {
    template <typename Input> static void apply(const Input&, State& s) {
        const auto [it, added] = s.byId.emplace(s.message.rawId, s.file.messages.size());
        if (!added) {
            const DbcMessage& first = s.file.messages[it->second];
            s.fail(std::size_t(s.message.line),
                   "the message identifier " + std::to_string(s.message.rawId) + " of " +
                       s.message.name + " is already used by " + first.name + " (line " +
                       std::to_string(first.line) + ")");
        }
        s.sawSection = true;
        s.file.messages.push_back(std::move(s.message));
    }
};

template <> struct action<kw_sg_line> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.signal = DbcSignal{};
        s.signal.line = int(in.position().line);
        s.reset();
    }
};
template <> struct action<sg_name> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.signal.name = in.string();
    }
};
template <> struct action<sg_mux> {
    template <typename Input> static void apply(const Input& in, State& s) {
        std::string_view text = in.string_view();
        if (text == "M") {
            s.signal.multiplex = DbcSignal::Multiplex::Multiplexor;
            return;
        }
        // "mN" and "mNM": a multiplexed signal (the latter also switches others).
        s.signal.multiplex = DbcSignal::Multiplex::Multiplexed;
        text.remove_prefix(1);
        if (text.back() == 'M')
            text.remove_suffix(1);
        s.signal.multiplexValue = toNumber<std::uint32_t>(text, in.position().line, s);
    }
};
template <> struct action<sg_start> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.signal.startBit = toNumber<int>(in.string_view(), in.position().line, s);
    }
};
template <> struct action<sg_length> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.signal.length = toNumber<int>(in.string_view(), in.position().line, s);
    }
};
template <> struct action<sg_order> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.signal.littleEndian = in.string_view()[0] == '1';
    }
};
template <> struct action<sg_sign> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.signal.isSigned = in.string_view()[0] == '-';
    }
};
template <> struct action<sg_factor> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.signal.factor = toReal(in.string_view());
    }
};
template <> struct action<sg_offset> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.signal.offset = toReal(in.string_view());
    }
};
template <> struct action<sg_min> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.signal.minimum = toReal(in.string_view());
    }
};
template <> struct action<sg_max> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.signal.maximum = toReal(in.string_view());
    }
};
template <> struct action<sg_unit> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.signal.unit = unquote(in.string_view());
    }
};
template <> struct action<sg_receiver> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.signal.receivers.push_back(in.string());
    }
};
template <> struct action<sg_body> {
    template <typename Input> static void apply(const Input&, State& s) {
        DbcMessage& m = s.file.messages.back();
        DbcSignal& g = s.signal;
        const auto line = std::size_t(g.line);
        if (g.length < 1 || g.length > 64)
            s.fail(line, "the signal " + g.name + " has a length of " + std::to_string(g.length) +
                             " bits; 1 to 64 are possible");
        for (const DbcSignal& other : m.signalList)
            if (other.name == g.name)
                s.fail(line, "the signal " + g.name + " appears twice in " + m.name);
        // The pseudo-message of signals without a message (identifier beyond 29 bits)
        // has no length to run past.
        const bool realMessage = m.id() <= 0x1FFFFFFF;
        const bool inside = g.littleEndian ? g.startBit + g.length <= m.length * 8
                                           : g.startBit < m.length * 8 && g.lastByte() < m.length;
        if (realMessage && !inside)
            s.fail(line, "the signal " + g.name + " runs past the " + std::to_string(m.length) +
                             " bytes of " + m.name);
        m.signalList.push_back(std::move(g));
    }
};

template <> struct action<ref_id> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.refId = toNumber<std::uint32_t>(in.string_view(), in.position().line, s);
    }
};
template <> struct action<ref_name> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.refName = in.string();
    }
};
template <> struct action<obj_bu> {
    template <typename Input> static void apply(const Input&, State& s) {
        s.target = State::Target::Node;
    }
};
template <> struct action<obj_bo> {
    template <typename Input> static void apply(const Input&, State& s) {
        s.target = State::Target::Message;
    }
};
template <> struct action<obj_sg> {
    template <typename Input> static void apply(const Input&, State& s) {
        s.target = State::Target::Signal;
    }
};
template <> struct action<obj_ev> {
    template <typename Input> static void apply(const Input&, State& s) {
        s.target = State::Target::Variable;
    }
};

template <> struct action<tx_node> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.names.push_back(in.string());
    }
};
template <> struct action<txbu_body> {
    template <typename Input> static void apply(const Input&, State& s) {
        if (DbcMessage* m = s.messageById(s.refId))
            for (std::string& n : s.names)
                if (n != m->transmitter)
                    m->extraTransmitters.push_back(std::move(n));
    }
};

template <> struct action<cm_text> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.value = unquote(in.string_view());
    }
};
template <> struct action<cm_body> {
    template <typename Input> static void apply(const Input&, State& s) {
        if (s.target == State::Target::Message) {
            if (DbcMessage* m = s.messageById(s.refId))
                m->comment = std::move(s.value);
        } else if (s.target == State::Target::Signal) {
            if (DbcSignal* g = s.signalOf(s.refId, s.refName))
                g->comment = std::move(s.value);
        }
    }
};

template <> struct action<attr_name> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.attribute = unquote(in.string_view());
    }
};
template <> struct action<kw_enum> {
    template <typename Input> static void apply(const Input&, State& s) {
        s.enums[s.attribute].clear();
    }
};
template <> struct action<enum_value> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.enums[s.attribute].push_back(unquote(in.string_view()));
    }
};
template <> struct action<value_text> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.value = unquote(in.string_view());
        s.valueIsNumber = false;
    }
};
template <> struct action<value_number> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.value = in.string();
        s.valueIsNumber = true;
    }
};

// An enum attribute's number as its name; other values as written.
std::string attributeText(const State& s) {
    if (!s.valueIsNumber)
        return s.value;
    const auto it = s.enums.find(s.attribute);
    if (it == s.enums.end())
        return s.value;
    char* end = nullptr;
    const long position = std::strtol(s.value.c_str(), &end, 10);
    if (*end != '\0' || position < 0 || std::size_t(position) >= it->second.size())
        return s.value;
    return it->second[std::size_t(position)];
}

template <> struct action<badefdef_body> {
    template <typename Input> static void apply(const Input&, State& s) {
        // Enum defaults are written as names already.
        s.file.attributeDefaults[s.attribute] = s.value;
    }
};
template <> struct action<ba_body> {
    template <typename Input> static void apply(const Input&, State& s) {
        if (s.target == State::Target::Message) {
            if (DbcMessage* m = s.messageById(s.refId))
                m->attributes[s.attribute] = attributeText(s);
        } else if (s.target == State::Target::Signal) {
            if (DbcSignal* g = s.signalOf(s.refId, s.refName))
                g->attributes[s.attribute] = attributeText(s);
        }
    }
};

template <> struct action<desc_number> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.descNumber = toNumber<std::int64_t>(in.string_view(), in.position().line, s);
    }
};
template <> struct action<desc_text> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.descs.emplace_back(s.descNumber, unquote(in.string_view()));
    }
};
template <> struct action<val_signal> {
    template <typename Input> static void apply(const Input&, State& s) {
        s.target = State::Target::Signal;
    }
};
template <> struct action<val_body> {
    template <typename Input> static void apply(const Input&, State& s) {
        if (s.target == State::Target::Signal)
            if (DbcSignal* g = s.signalOf(s.refId, s.refName))
                g->values = std::move(s.descs);
    }
};
template <> struct action<table_name> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.refName = in.string();
    }
};
template <> struct action<valtable_body> {
    template <typename Input> static void apply(const Input&, State& s) {
        s.file.valueTables[s.refName] = std::move(s.descs);
    }
};
template <> struct action<value_type> {
    template <typename Input> static void apply(const Input& in, State& s) {
        s.valueTypeNumber = toNumber<int>(in.string_view(), in.position().line, s);
    }
};
template <> struct action<sigvaltype_body> {
    template <typename Input> static void apply(const Input&, State& s) {
        if (DbcSignal* g = s.signalOf(s.refId, s.refName))
            g->valueType = s.valueTypeNumber;
    }
};

bool validUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = decodeUtf8(text, i).length;
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

} // namespace dbc

} // namespace

int DbcSignal::firstByte() const {
    return startBit / 8;
}

int DbcSignal::lastByte() const {
    if (littleEndian)
        return (startBit + length - 1) / 8;
    // Big-endian: the start bit is the most significant; the bits go down to bit 0 of its
    // byte and continue at bit 7 of the next byte.
    const int inFirst = startBit % 8 + 1;
    if (length <= inFirst)
        return startBit / 8;
    return startBit / 8 + (length - inFirst + 7) / 8;
}

long DbcSignal::spn() const {
    const auto it = attributes.find("SPN");
    if (it == attributes.end())
        return -1;
    char* end = nullptr;
    const long value = std::strtol(it->second.c_str(), &end, 10);
    return *end == '\0' && value >= 0 ? value : -1;
}

bool DbcMessage::transmittedBy(std::string_view node) const {
    if (transmitter == node)
        return true;
    for (const std::string& t : extraTransmitters)
        if (t == node)
            return true;
    return false;
}

bool DbcMessage::receivedBy(std::string_view node) const {
    for (const DbcSignal& s : signalList)
        for (const std::string& r : s.receivers)
            if (r == node)
                return true;
    return false;
}

std::string DbcFile::messageAttribute(const DbcMessage& message, const std::string& name) const {
    if (const auto it = message.attributes.find(name); it != message.attributes.end())
        return it->second;
    if (const auto it = attributeDefaults.find(name); it != attributeDefaults.end())
        return it->second;
    return {};
}

// Windows-1252: 0x80..0x9F differ from Latin-1; the five unassigned bytes keep their
// code point.
constexpr std::uint16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string dbcTextAsUtf8(std::string_view text) {
    if (dbc::validUtf8(text))
        return std::string(text);
    const auto& high = kWindows1252High;
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80)
            out += ch;
        else
            appendUtf8(out, c < 0xA0 ? high[c - 0x80] : c);
    }
    return out;
}

std::string dbcTextAsWindows1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += char(c);
            ++i;
            continue;
        }
        const std::size_t more = (c & 0xE0) == 0xC0   ? 1
                                 : (c & 0xF0) == 0xE0 ? 2
                                 : (c & 0xF8) == 0xF0 ? 3
                                                      : 0;
        std::uint32_t code = c & (0x3F >> more);
        std::size_t k = 1;
        for (; more != 0 && k <= more && i + k < utf8.size(); ++k) {
            const auto d = static_cast<unsigned char>(utf8[i + k]);
            if ((d & 0xC0) != 0x80)
                break;
            code = code << 6 | (d & 0x3F);
        }
        if (more == 0 || k <= more) { // no UTF-8 here: one byte is one "?"
            out += '?';
            ++i;
            continue;
        }
        i += more + 1;
        char byte = '?';
        if (code >= 0xA0 && code <= 0xFF)
            byte = char(code);
        for (std::size_t h = 0; h < 32; ++h)
            if (kWindows1252High[h] == code)
                byte = char(0x80 + h);
        out += byte;
    }
    return out;
}

DbcFile parseDbc(std::string_view raw, const std::string& name) {
    if (const auto nul = raw.find('\0'); nul != std::string_view::npos) {
        const auto line = 1 + std::count(raw.begin(), raw.begin() + std::ptrdiff_t(nul), '\n');
        throw Error(name + ", line " + std::to_string(line) +
                    ": binary content (a NUL byte); a DBC file is text");
    }
    const std::string text = dbcTextAsUtf8(raw);
    dbc::State state;
    state.fileName = name;
    try {
        tao::pegtl::memory_input<> in(text, name);
        tao::pegtl::parse<dbc::file, dbc::action, dbc::control>(in, state);
    } catch (const tao::pegtl::parse_error& e) {
        throw Error(name + ", line " + std::to_string(state.markLine) + ": " +
                    std::string(e.message()));
    }
    if (!state.sawSection)
        throw Error(name + " is not a DBC file: it has none of the sections VERSION, NS_, BU_ "
                           "and BO_");
    return std::move(state.file);
}

DbcFile readDbcFile(const fs::path& path) {
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (!ec && fs::is_regular_file(path, ec) && size > kLargestDbcFile)
        throw Error("The DBC file '" + path.string() + "' is larger than " +
                    std::to_string(kLargestDbcFile >> 20) + " MB");
    return parseDbc(readWholeFile(path), path.filename().string());
}

} // namespace ordane

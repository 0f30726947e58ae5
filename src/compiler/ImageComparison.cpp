#include "ImageComparison.h"

#include "compiler/ImageReader.h"
#include "core/NumberText.h"

#include <algorithm>
#include <array>

namespace ordane {

namespace {

// Places of the image that no document's rows fill, by bank and first and last offset.
struct Place {
    int bank;
    std::size_t first;
    std::size_t last;
    const char* name;
};

constexpr Place kPlaces[] = {
    {1, 4096, 4351, "the reserved area"},
    {1, 16000, 16035, "the parameter block, a byte no setting uses"},
    {1, 16100, 16131, "the delete flags"},
};

std::string placeName(int bank, std::size_t offset) {
    for (const ImageTable& table : imageTables())
        if (table.area.bank == bank && offset >= table.area.offset &&
            offset < table.area.offset + table.area.room() * table.area.recordSize)
            return std::string(table.document) + " area, after its last row";
    for (const Place& place : kPlaces)
        if (place.bank == bank && offset >= place.first && offset <= place.last)
            return place.name;
    return "not used by the configuration";
}

class Comparison {
public:
    Comparison(const DeviceImage& project, const DeviceImage& file, std::string projectName,
               std::string fileName)
        : m_project(project), m_file(file), m_p(readImage(project, false)),
          m_f(readImage(file, false)), m_projectName(std::move(projectName)),
          m_fileName(std::move(fileName)) {}

    std::vector<std::string> run() {
        cover(1, kDateStampOffset, 4); // the stamps are never compared
        parameters();
        for (std::size_t t = 0; t < kTableCount; ++t)
            table(t);
        deleteFlags();
        leftovers();
        return std::move(m_differences);
    }

private:
    std::string both(const std::string& p, const std::string& f) const {
        return p + " in " + m_projectName + ", " + f + " in " + m_fileName;
    }

    void cover(int bank, std::size_t offset, std::size_t length) {
        auto& mask = m_covered[std::size_t(bank - 1)];
        std::fill(mask.begin() + std::ptrdiff_t(offset),
                  mask.begin() + std::ptrdiff_t(offset + length), true);
    }

    void parameters() {
        if (m_p.hasParameterBlock != m_f.hasParameterBlock)
            m_differences.push_back(std::string("pargen.xml: the parameter block is ") +
                                    both(m_p.hasParameterBlock ? "set" : "all zero",
                                         m_f.hasParameterBlock ? "set" : "all zero"));
        const auto& fields = parameterFields();
        for (std::size_t i = 0; i < fields.size(); ++i) {
            cover(1, kParameterBlockOffset + fields[i].byte, fields[i].width);
            if (m_p.parameters[i] != m_f.parameters[i])
                m_differences.push_back(std::string("pargen.xml: ") + fields[i].attribute + " " +
                                        both(fieldText(fields[i], m_p.parameters[i]),
                                             fieldText(fields[i], m_f.parameters[i])));
        }
        const LayoutField one{"constant", 0, 2};
        const std::uint32_t p = fieldValue(one, m_project.bank(1).data() + kConstantOneOffset);
        const std::uint32_t f = fieldValue(one, m_file.bank(1).data() + kConstantOneOffset);
        cover(1, kConstantOneOffset, 2);
        if (p != f)
            m_differences.push_back("the parameter block's constant (bank 1 offset 16008): " +
                                    both(std::to_string(p), std::to_string(f)));
    }

    std::string rowValues(const ImageTable& table, const std::vector<std::uint32_t>& values) {
        std::string text;
        for (std::size_t i = 0; i < table.fields.size(); ++i) {
            if (i > 0)
                text += ", ";
            text += std::string(table.fields[i].attribute) + " " +
                    fieldText(table.fields[i], values[i]);
        }
        return text;
    }

    void table(std::size_t t) {
        const ImageTable& table = imageTables()[t];
        const TableRows& p = m_p.tables[t];
        const TableRows& f = m_f.tables[t];
        const std::string document = table.document;
        if (table.countOffset) {
            cover(1, *table.countOffset, table.countWidth);
            if (p.count != f.count)
                m_differences.push_back(
                    document + ": " +
                    both(std::to_string(p.count) + " rows", std::to_string(f.count)));
        }
        const std::size_t rows = std::max(p.count, f.count);
        for (std::size_t k = 0; k < rows; ++k) {
            const std::string row = document + " row " + std::to_string(k + 1) + ": ";
            cover(table.area.bank, table.area.offset + k * table.area.recordSize,
                  table.area.recordSize);
            if (k >= p.count) {
                m_differences.push_back(row + "only in " + m_fileName + " (" +
                                        rowValues(table, f.rows[k]) + ")");
                continue;
            }
            if (k >= f.count) {
                m_differences.push_back(row + "only in " + m_projectName + " (" +
                                        rowValues(table, p.rows[k]) + ")");
                continue;
            }
            for (std::size_t i = 0; i < table.fields.size(); ++i)
                if (p.rows[k][i] != f.rows[k][i])
                    m_differences.push_back(row + table.fields[i].attribute + " " +
                                            both(fieldText(table.fields[i], p.rows[k][i]),
                                                 fieldText(table.fields[i], f.rows[k][i])));
        }
    }

    void deleteFlags() {
        const std::size_t rows =
            std::max(m_p.tables[kReceivedFrames].count, m_f.tables[kReceivedFrames].count);
        const auto flag = [](const DeviceImage& image, std::size_t k) {
            return (image.bank(1)[kDeleteFlagsOffset + k / 8] >> (k % 8) & 1) != 0;
        };
        for (std::size_t k = 0; k < kDeleteFlagBytes * 8; ++k) {
            const bool p = flag(m_project, k);
            const bool f = flag(m_file, k);
            if (p == f)
                continue;
            const std::string row = "RCobDef.xml row " + std::to_string(k + 1);
            m_differences.push_back(
                k < rows ? row + ": Delete " + both(p ? "Y" : "N", f ? "Y" : "N")
                         : "the delete flag of " + row + ", a row that neither has: " +
                               both(p ? "set" : "clear", f ? "set" : "clear"));
        }
        cover(1, kDeleteFlagsOffset, kDeleteFlagBytes);
    }

    void leftovers() {
        for (int bank = 1; bank <= 2; ++bank) {
            const auto p = m_project.bank(bank);
            const auto f = m_file.bank(bank);
            const auto& mask = m_covered[std::size_t(bank - 1)];
            for (std::size_t i = 0; i < p.size();) {
                if (mask[i] || p[i] == f[i]) {
                    ++i;
                    continue;
                }
                const std::string place = placeName(bank, i);
                std::size_t last = i;
                std::size_t count = 1;
                for (std::size_t j = i + 1; j < p.size() && placeName(bank, j) == place; ++j) {
                    if (!mask[j] && p[j] != f[j]) {
                        last = j;
                        ++count;
                    }
                }
                m_differences.push_back("bank " + std::to_string(bank) + " offsets " +
                                        std::to_string(i) + " to " + std::to_string(last) + " (" +
                                        place + "): " + std::to_string(count) +
                                        (count == 1 ? " byte differs" : " bytes differ"));
                i = last + 1;
            }
        }
    }

    const DeviceImage& m_project;
    const DeviceImage& m_file;
    ImageContents m_p;
    ImageContents m_f;
    std::string m_projectName;
    std::string m_fileName;
    std::array<std::array<bool, DeviceImage::kBankSize>, 2> m_covered{};
    std::vector<std::string> m_differences;
};

} // namespace

std::vector<std::string> compareImages(const DeviceImage& project, const DeviceImage& file,
                                       const std::string& projectName,
                                       const std::string& fileName) {
    return Comparison(project, file, projectName, fileName).run();
}

} // namespace ordane

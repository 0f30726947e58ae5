// The floor under `ordane-cli compile` and `eds`: start, parse every XML document of the
// project folder with the same parser, exit. Nothing is read out of the documents and
// nothing is written. bench/compile.sh times it beside the commands.
#include <pugixml.hpp>

#include <cstdio>
#include <filesystem>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ordane_parse_floor PROJECT\n");
        return 2;
    }
    std::size_t rows = 0;
    for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
        if (entry.path().extension() != ".xml")
            continue;
        pugi::xml_document document;
        if (document.load_file(entry.path().c_str(), pugi::parse_default | pugi::parse_fragment))
            for (const pugi::xml_node row : document.first_child().children())
                rows += row.first_attribute() ? 1 : 0;
    }
    std::printf("%zu rows\n", rows);
    return 0;
}

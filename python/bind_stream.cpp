// RandomStream: MRG32k3a, Philox and classic stream objects.
#include "zelmath_bindings.h"

#include <cstdint>
#include <string>

namespace zelmath_python {

namespace {

using Stream = ZELRandomStream;

// Below this many numbers the GIL stays held.
constexpr std::uint64_t kReleaseGilNumbers = 1024;

// A whole number from Python in [0, 2^64): TypeError for anything that is not an integer (floats,
// NaN and bools included), ValueError for one out of range. Nothing is changed before this runs.
std::uint64_t unsignedArg(py::handle value, const char* what) {
    if (PyBool_Check(value.ptr()) || !PyIndex_Check(value.ptr()))
        throw py::type_error(std::string(what) + " must be an integer, not " +
                             std::string(py::str(py::type::handle_of(value).attr("__name__"))));
    const py::int_ number = py::reinterpret_steal<py::int_>(PyNumber_Index(value.ptr()));
    if (!number) throw py::error_already_set();
    if (number < py::int_(0)) throw py::value_error(std::string(what) + " must not be negative");
    const unsigned long long v = PyLong_AsUnsignedLongLong(number.ptr());
    if (PyErr_Occurred()) {
        PyErr_Clear();
        throw py::value_error(std::string(what) + " must be below 2**64");
    }
    return v;
}

std::array<std::uint32_t, 6> packageSeed(py::handle seed) {
    if (!PySequence_Check(seed.ptr()) || PySequence_Size(seed.ptr()) != 6) {
        PyErr_Clear();
        throw py::type_error("package_seed must be a sequence of six integers");
    }
    const py::sequence items = py::reinterpret_borrow<py::sequence>(seed);
    std::array<std::uint32_t, 6> out{};
    for (std::size_t i = 0; i < 6; ++i) {
        const std::string what = "package_seed[" + std::to_string(i) + "]";
        const std::uint64_t v = unsignedArg(items[i], what.c_str());
        if (v > 0xFFFFFFFFu) throw py::value_error(what + " must be below 2**32");
        out[i] = static_cast<std::uint32_t>(v);
    }
    return out;
}

// `count` numbers as a float64 array: the array is made first (a count too large fails there,
// with the stream untouched); the numbers come from a private copy, in chunks with a check for
// Ctrl-C between them (without the GIL for long blocks), and the copy's position is stored back
// once done (an interrupted call leaves the stream where it was).
py::array_t<double> numbers(Stream& s, py::handle count) {
    const std::uint64_t n = unsignedArg(count, "count");
    if (n > static_cast<std::uint64_t>(PY_SSIZE_T_MAX) / sizeof(double))
        throw py::value_error("count " + std::to_string(n) + " is too large for one array");
    py::array_t<double> out(static_cast<py::ssize_t>(n));
    Stream local = s;
    drawInChunks(out.mutable_data(), static_cast<py::ssize_t>(n),
                 n >= kReleaseGilNumbers && s.engine() != ZELStreamEngine::Classic,
                 [&](double* o, std::size_t k) { local.next(o, k); });
    s = local;
    return out;
}

Stream fromState(const std::string& text) { return Stream::FromState(text); }

// A pickle holds the state text; a classic stream's position is the process-wide generator's,
// which no pickle carries (restoring it would rewind every other user of the stream, or repeat
// numbers in another process): refused.
py::tuple pickledState(const Stream& s) {
    if (s.engine() == ZELStreamEngine::Classic)
        throw py::type_error(
            "cannot pickle a classic RandomStream: its position belongs to the process-wide "
            "generator; pickle an mrg32k3a or philox stream, or the stream number");
    return py::make_tuple(s.state());
}

Stream fromPickled(py::handle state) {
    if (!py::isinstance<py::tuple>(state) || py::len(state) != 1 ||
        !py::isinstance<py::str>(state.cast<py::tuple>()[0]))
        throw py::type_error("a pickled RandomStream state is a tuple holding one state text");
    return fromState(state.cast<py::tuple>()[0].cast<std::string>());
}

}  // namespace

void bindStream(py::module_& m) {
    py::enum_<ZELStreamEngine>(m, "StreamEngine", "The engine behind a RandomStream.")
        .value("CLASSIC", ZELStreamEngine::Classic,
               "A numbered stream of the process-wide generator.")
        .value("MRG32K3A", ZELStreamEngine::MRG32k3a,
               "L'Ecuyer's combined multiple recursive generator MRG32k3a.")
        .value("PHILOX", ZELStreamEngine::Philox, "The counter-based Philox4x32-10.");

    const auto& seed = Stream::DefaultPackageSeed;
    const py::tuple defaultSeed =
        py::make_tuple(seed[0], seed[1], seed[2], seed[3], seed[4], seed[5]);
    py::class_<Stream> cls(
        m, "RandomStream",
        "A stream of uniform numbers held by value: MRG32k3a (stream k starts k * 2**127 steps in, "
        "substream j a further j * 2**76), Philox4x32-10 (key = seed, counter = (block, stream); "
        "substream j starts at block j * 2**32), or a numbered stream of RandomGenerator "
        "(classic). Copies and pickles continue exactly where the original was; a classic stream's "
        "position is the generator's, shared by its copies, and it does not pickle.");
    cls.attr("DEFAULT_PACKAGE_SEED") = defaultSeed;
    cls.def_static(
           "mrg32k3a",
           [](py::handle stream, py::handle substream, py::handle seed) {
               return Stream::MRG32k3a(unsignedArg(stream, "stream"),
                                       unsignedArg(substream, "substream"), packageSeed(seed));
           },
           py::arg("stream") = 0, py::arg("substream") = 0, py::arg("package_seed") = defaultSeed,
           "MRG32k3a stream `stream`, substream `substream` (below 2**51) from the package seed "
           "(three "
           "components below 4294967087, three below 4294944443, neither half all zero; else "
           "DomainError).")
        .def_static(
            "philox",
            [](py::handle seed, py::handle stream, py::handle substream) {
                return Stream::Philox(unsignedArg(seed, "seed"), unsignedArg(stream, "stream"),
                                      unsignedArg(substream, "substream"));
            },
            py::arg("seed"), py::arg("stream") = 0, py::arg("substream") = 0,
            "Philox4x32-10 stream `stream` keyed by the 64-bit `seed`, substream `substream` "
            "(below 2**32).")
        .def_static(
            "classic", [](py::handle stream) { return Stream::Classic(streamNumber(stream)); },
            py::arg("stream"),
            "Stream `stream` of RandomGenerator.instance() (shared state; draws equal "
            "get_random_number(stream); "
            "numbers outside 1..2000 mean stream 1).")
        .def(
            "next", [](Stream& s) { return s.next(); }, "The next number.")
        .def("random", &numbers, py::arg("count"),
             "The next `count` numbers as a float64 numpy array, equal to `count` calls of next().")
        .def(
            "advance", [](Stream& s, py::handle n) { s.advance(unsignedArg(n, "n")); },
            py::arg("n"),
            "Moves on as if `n` numbers had been drawn (O(log n) for MRG32k3a, O(1) for Philox).")
        .def(
            "reset_stream", [](Stream& s) { s.resetStream(); },
            "Back to the start of the stream (substream 0).")
        .def(
            "reset_substream",
            [](Stream& s) {
                s.resetSubstream();
                raiseIfWarned();
            },
            "Back to the start of the current substream (a classic stream warns and stays).")
        .def(
            "next_substream",
            [](Stream& s) {
                s.nextSubstream();
                raiseIfWarned();
            },
            "On to the start of the next substream (a classic stream warns and stays).")
        .def(
            "set_antithetic",
            [](Stream& s, bool on) {
                s.setAntithetic(on);
                raiseIfWarned();
            },
            py::arg("on") = true,
            "Antithetic output (1 - u) on or off from the next draw on (a classic stream cannot "
            "switch it off: "
            "it warns and stays).")
        .def_property_readonly("antithetic", &Stream::antithetic,
                               "Whether the output is antithetic.")
        .def_property_readonly("engine", &Stream::engine, "The engine (StreamEngine).")
        .def_property_readonly("stream_index", &Stream::streamIndex, "The stream number.")
        .def_property_readonly("substream_index", &Stream::substreamIndex,
                               "The substream number (0 for classic).")
        .def("state", &Stream::state, "The whole state as one line of text (see from_state).")
        .def_static("from_state", &fromState, py::arg("text"),
                    "The stream saved by state(); DomainError for any other text.")
        .def(
            "__copy__", [](const Stream& s) { return Stream(s); },
            "An independent copy at the same position.")
        .def(
            "__deepcopy__", [](const Stream& s, py::dict) { return Stream(s); }, py::arg("memo"),
            "An independent copy at the same position.")
        .def("__repr__",
             [](const Stream& s) {
                 if (s.engine() == ZELStreamEngine::Classic)
                     return "RandomStream.classic(" + std::to_string(s.streamIndex()) + ")";
                 return "RandomStream.from_state('" + s.state() + "')";
             })
        .def(py::pickle([](const Stream& s) { return pickledState(s); },
                        [](const py::tuple& t) { return fromPickled(t); }));
    // pybind11 ignores a constructor-like __setstate__ called on an object that already exists;
    // on a live stream it validates and assigns instead (a refused state changes nothing). The
    // function's own name must differ: pybind11 makes any function named __setstate__ a
    // constructor.
    const py::object unpickle = cls.attr("__setstate__");
    cls.attr("__setstate__") = py::cpp_function(
        [unpickle](py::handle self, py::handle state) {
            auto* instance = reinterpret_cast<py::detail::instance*>(self.ptr());
            if (instance->get_value_and_holder().instance_registered())
                self.cast<Stream&>() = fromPickled(state);
            else
                unpickle(self, state);
        },
        py::is_method(cls), py::name("set_pickled_state"), py::arg("state"),
        "Puts the stream where a pickled state says; refused like from_state (the stream "
        "unchanged).");
}

}  // namespace zelmath_python

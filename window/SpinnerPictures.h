#pragma once

// The spinner's pictures: four SVG documents on one 121.5-unit square, so that each lines up
// with the others when fitted into the same area.
namespace Quor::spinnerPictures
{
    inline constexpr const char* centre = R"svg(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 121.5 121.5" width="121.5" height="121.5"><circle cx="60.75" cy="60.75" r="60.75" fill="none"/><path d="M44 60H77.5A16.75 15 0 0 1 44 60Z" fill="#ddd"/><path d="M64 54L71 47M70 56L77 49" fill="none" stroke="#ddd" stroke-width="3" stroke-linecap="round"/></svg>)svg";
    inline constexpr const char* ring0 = R"svg(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 121.5 121.5" width="121.5" height="121.5"><circle cx="60.75" cy="60.75" r="60.75" fill="none"/><path d="M27.54 27.54A46.96 46.96 0 0 1 93.96 93.96" fill="none" stroke="#7f7f7f" stroke-width="5" stroke-linecap="round"/></svg>)svg";
    inline constexpr const char* ring1 = R"svg(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 121.5 121.5" width="121.5" height="121.5"><circle cx="60.75" cy="60.75" r="60.75" fill="none"/><path d="M99.31 60.75A38.56 38.56 0 0 1 22.19 60.75" fill="none" stroke="#545454" stroke-width="5" stroke-linecap="round"/></svg>)svg";
    inline constexpr const char* ring2 = R"svg(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 121.5 121.5" width="121.5" height="121.5"><circle cx="60.75" cy="60.75" r="60.75" fill="none"/><path d="M39.42 82.08A30.16 30.16 0 0 1 82.08 39.42" fill="none" stroke="#353535" stroke-width="5" stroke-linecap="round"/></svg>)svg";
}

# installer_add_product(<target> <product folder> <output folder>)
#
# Builds <output folder>/Installer.exe for a product folder. The folder holds Manifest.xml and the
# payload, either as a ready Payload.zip or as a payload/ tree that is zipped here. EULA.html,
# registry.ico and images/ are taken from the product folder when it has them, otherwise from the
# demo product, so that a test product needs no more than its manifest and payload.
set(INSTALLER_SOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}/..")
set(INSTALLER_DEFAULT_PRODUCT_DIR "${INSTALLER_SOURCE_DIR}/product")
set(INSTALLER_FONT_DIR "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF" CACHE PATH
    "Roboto fonts from Debian's fonts-roboto-unhinted")

find_package(Python3 REQUIRED COMPONENTS Interpreter)

# Signing: a code-signing certificate (PKCS#12); its password is read from the environment
# variable INSTALLER_SIGNING_PASSWORD when the build signs, never stored in the cache.
set(INSTALLER_SIGNING_CERT "" CACHE FILEPATH "Code-signing certificate (.pfx) the build signs every installer with")
set(INSTALLER_TIMESTAMP_URL "" CACHE STRING "Timestamp server for the signature (optional)")
set(INSTALLER_DOWNLOAD_URL "" CACHE STRING "Where the installer is downloaded from, for the winget manifest")
if(INSTALLER_SIGNING_CERT)
    find_program(INSTALLER_OSSLSIGNCODE NAMES osslsigncode REQUIRED)
    message(STATUS "Installers are signed with ${INSTALLER_SIGNING_CERT}")
else()
    message(STATUS "Installers are not signed: no -DINSTALLER_SIGNING_CERT=<file.pfx> given")
endif()

function(_installer_product_file out product_dir relative)
    if(EXISTS "${product_dir}/${relative}")
        set(${out} "${product_dir}/${relative}" PARENT_SCOPE)
    elseif(EXISTS "${INSTALLER_DEFAULT_PRODUCT_DIR}/${relative}")
        set(${out} "${INSTALLER_DEFAULT_PRODUCT_DIR}/${relative}" PARENT_SCOPE)
    else()
        message(FATAL_ERROR "Product file ${relative} is missing in ${product_dir}")
    endif()
endfunction()

function(installer_add_product target product_dir output_dir)
    # PAYLOAD_TREE: zip this folder as the payload instead of the product's own payload/.
    # PAYLOAD_FILES: NAME=PATH items added to the payload (the product's ready Payload.zip or the
    # zipped tree) as top-level files; they may be build
    # outputs (generator expressions), so such a payload is made at build time and must fit one piece.
    # UNCHECKED: build even when the manifest breaks the rules for objects (test products only).
    cmake_parse_arguments(ARG "UNCHECKED" "PAYLOAD_TREE" "PAYLOAD_FILES;DEPENDS" ${ARGN})

    get_filename_component(product_dir "${product_dir}" ABSOLUTE)
    if(NOT EXISTS "${product_dir}/Manifest.xml")
        message(FATAL_ERROR "${product_dir} holds no Manifest.xml")
    endif()

    set(staging "${CMAKE_BINARY_DIR}/products/${target}")
    _installer_product_file(eula "${product_dir}" "EULA.html")

    set(prepare "${Python3_EXECUTABLE}" "${INSTALLER_SOURCE_DIR}/resources/prepare_product.py"
                --product "${product_dir}" --eula "${eula}" --out "${staging}")
    if(ARG_UNCHECKED)
        list(APPEND prepare --unchecked)
    endif()
    if(ARG_PAYLOAD_TREE)
        list(APPEND prepare --payload-tree "${ARG_PAYLOAD_TREE}")
        file(GLOB_RECURSE tree_files CONFIGURE_DEPENDS "${ARG_PAYLOAD_TREE}/*")
    endif()
    file(GLOB_RECURSE product_files CONFIGURE_DEPENDS "${product_dir}/*")

    if(ARG_PAYLOAD_FILES)
        set(pieces "Payload.zip.corvoChunk0")
        foreach(item IN LISTS ARG_PAYLOAD_FILES)
            list(APPEND prepare --add "${item}")
        endforeach()
        add_custom_command(
            OUTPUT "${staging}/Payload.zip" "${staging}/Payload.zip.corvoChunk0" "${staging}/EULA.html.zip"
            COMMAND ${prepare} --pieces 1
            DEPENDS ${product_files} ${tree_files} "${INSTALLER_SOURCE_DIR}/resources/prepare_product.py" ${ARG_DEPENDS}
            VERBATIM)
    else()
        # The payload is packed and cut now, at configure time, because the number of pieces
        # decides the list of resources. The step rewrites only files whose content changed, and
        # CMake runs it again whenever a file of the product folder changes.
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
            ${product_files} ${tree_files} "${INSTALLER_SOURCE_DIR}/resources/prepare_product.py")
        execute_process(COMMAND ${prepare} OUTPUT_VARIABLE pieces RESULT_VARIABLE result)
        if(NOT result EQUAL 0)
            message(FATAL_ERROR "Preparing the product in ${product_dir} failed (see above)")
        endif()
        string(STRIP "${pieces}" pieces)
        string(REPLACE "\n" ";" pieces "${pieces}")
    endif()

    set(resources)
    foreach(piece IN LISTS pieces)
        list(APPEND resources "${staging}/${piece}")
    endforeach()
    list(APPEND resources "${staging}/EULA.html.zip")
    foreach(image BackgroundGradient.png Close_Hover.svg Close_Normal.svg DestChoose_Hover.svg
                  DestChoose_Normal.svg "Icon check.svg" "Icon error-outline.svg"
                  Installer_Icon_512.png Installer_Icon_1024.png Loading_Arrow.svg Loading_Dots.svg)
        _installer_product_file(file "${product_dir}" "images/${image}")
        list(APPEND resources "${file}")
    endforeach()
    # The payload is embedded once, as its pieces; the whole archive is only the build's own copy.
    list(APPEND resources "${product_dir}/Manifest.xml")
    _installer_product_file(icon "${product_dir}" "registry.ico")
    list(APPEND resources "${icon}")
    foreach(image WindowsSecurityIcon.svg CORVO_46.png)
        _installer_product_file(file "${product_dir}" "images/${image}")
        list(APPEND resources "${file}")
    endforeach()
    installer_add_binary_data(${target}_resources BinaryData ${resources})
    list(LENGTH pieces payload_pieces)
    configure_file("${INSTALLER_SOURCE_DIR}/resources/ProductResources.cpp.in"
                   "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources/ProductResources.cpp" @ONLY)
    target_sources(${target}_resources PRIVATE "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources/ProductResources.cpp")

    # The product's icon, as the registration shows it, the manifest that keeps the installer
    # unelevated until it asks for rights itself, and the version resource that Windows shows.
    get_filename_component(manifest "${INSTALLER_SOURCE_DIR}/app/Installer.manifest" ABSOLUTE)
    set(rc_writer "${INSTALLER_SOURCE_DIR}/resources/write_installer_rc.py")
    execute_process(COMMAND "${Python3_EXECUTABLE}" "${rc_writer}" --manifest "${product_dir}/Manifest.xml" --icon "${icon}"
                            --app-manifest "${manifest}" --copyright "${product_dir}/Copyright.txt" --out "${staging}/Installer.rc"
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "Writing the resource script of ${target} failed (see above)")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${rc_writer}" "${manifest}")
    set_source_files_properties("${staging}/Installer.rc" PROPERTIES OBJECT_DEPENDS "${icon};${manifest}")

    add_executable(${target} WIN32
        "${INSTALLER_SOURCE_DIR}/app/Main.cpp"
        "${staging}/Installer.rc")
    target_link_libraries(${target} PRIVATE installer_app ${target}_resources installer_fonts)
    # What is shipped carries no symbols or debug sections (those of the static runtime libraries
    # alone are 4 MB): no Windows tool would read them.
    target_link_options(${target} PRIVATE ${INSTALLER_STATIC_LINK_OPTIONS} -s)
    set_target_properties(${target} PROPERTIES
        OUTPUT_NAME Installer
        RUNTIME_OUTPUT_DIRECTORY "${output_dir}"
        LINK_DEPENDS "${INSTALLER_DELAYLOAD_LIBRARIES}")
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND "${Python3_EXECUTABLE}" "${INSTALLER_IMPORT_CHECK}" --objdump "${INSTALLER_OBJDUMP}" "$<TARGET_FILE:${target}>"
        VERBATIM)

    # Signed last, once nothing changes the file any more; an installer that embeds another (an
    # uninstaller that is itself an installer) is linked after that one is signed.
    if(INSTALLER_SIGNING_CERT)
        file(READ "${product_dir}/Manifest.xml" manifest_text)
        string(REGEX MATCH "AppName=\"([^\"]*)\"" _ "${manifest_text}")
        set(description "${CMAKE_MATCH_1} Installer")
        string(REGEX MATCH "WebLink=\"([^\"]*)\"" _ "${manifest_text}")
        set(sign "${Python3_EXECUTABLE}" "${INSTALLER_SOURCE_DIR}/cmake/sign_installer.py"
                 --osslsigncode "${INSTALLER_OSSLSIGNCODE}" --cert "${INSTALLER_SIGNING_CERT}" --description "${description}")
        if(CMAKE_MATCH_1)
            list(APPEND sign --url "${CMAKE_MATCH_1}")
        endif()
        if(INSTALLER_TIMESTAMP_URL)
            list(APPEND sign --timestamp "${INSTALLER_TIMESTAMP_URL}")
        endif()
        add_custom_command(TARGET ${target} POST_BUILD COMMAND ${sign} "$<TARGET_FILE:${target}>" VERBATIM)
    endif()

    # The package manifest that winget reads, in winget/ beside the installer, with the hash of the
    # file as it is shipped (signed, where it is).
    set(winget "${Python3_EXECUTABLE}" "${INSTALLER_SOURCE_DIR}/cmake/write_winget_manifest.py"
               --manifest "${product_dir}/Manifest.xml" --exe "$<TARGET_FILE:${target}>" --out "${output_dir}/winget")
    if(INSTALLER_DOWNLOAD_URL)
        list(APPEND winget --installer-url "${INSTALLER_DOWNLOAD_URL}")
    endif()
    add_custom_command(TARGET ${target} POST_BUILD COMMAND ${winget} VERBATIM)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${INSTALLER_SOURCE_DIR}/cmake/write_winget_manifest.py")
endfunction()

# A resource table whose bytes the assembler takes straight from the files (".incbin"): nothing of
# their content passes through the C++ compiler. The table is written at configure time from the
# names alone, so the files may be made at build time; a changed file assembles its own small
# source again and the executable is linked, nothing else. The result is a library of object
# files, not an archive: an executable then always carries the table, whatever order the linker
# meets the libraries that read it in.
function(installer_add_binary_data target namespace)
    set(folder "${CMAKE_CURRENT_BINARY_DIR}/${target}")
    set(generator "${INSTALLER_SOURCE_DIR}/resources/embed_resources.py")
    execute_process(COMMAND "${Python3_EXECUTABLE}" "${generator}" --namespace ${namespace} --out "${folder}" ${ARGN}
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "Writing the resource table ${target} failed (see above)")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${generator}")

    set(sources "${folder}/${namespace}.cpp" "${folder}/${namespace}.h")
    set(index 0)
    foreach(file IN LISTS ARGN)
        set(assembly "${folder}/${namespace}_${index}.s")
        set_source_files_properties("${assembly}" PROPERTIES LANGUAGE ASM OBJECT_DEPENDS "${file}")
        list(APPEND sources "${assembly}")
        math(EXPR index "${index} + 1")
    endforeach()

    # The files themselves are listed too, never compiled, so that a file made by a build step
    # (a payload made at build time) is made before it is assembled.
    set_source_files_properties(${ARGN} PROPERTIES HEADER_FILE_ONLY TRUE)
    add_library(${target} OBJECT ${sources} ${ARGN})
    target_include_directories(${target} PUBLIC "${folder}")
endfunction()

# The four Roboto fonts, the same for every product: a table of their own (namespace FontData),
# compiled once.
function(installer_add_fonts)
    set(fonts)
    foreach(font Bold Light Medium Regular)
        list(APPEND fonts "${INSTALLER_FONT_DIR}/Roboto-${font}.ttf")
    endforeach()
    installer_add_binary_data(installer_fonts FontData ${fonts})
endfunction()

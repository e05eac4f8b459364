# Run by CPack after packaging (CPACK_POST_BUILD_SCRIPTS). CPack's debug-symbols package lists
# its files in md5sums by their build-machine paths and has no documentation: it is rebuilt
# with relative md5sums, a plain-file mode for the symbols and /usr/share/doc/ringvale-dbgsym
# pointing at ringvale's (as Debian's own -dbgsym packages do).
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(NOT package MATCHES "\\.ddeb$")
        continue()
    endif()
    set(root "${package}.root")
    file(REMOVE_RECURSE "${root}")
    execute_process(
        COMMAND bash -euc [[
            dpkg-deb -R "$1" "$2"
            cd "$2"
            find usr -name '*.debug' -exec chmod 0644 {} +
            mkdir -p usr/share/doc
            ln -s ringvale usr/share/doc/ringvale-dbgsym
            find usr -type f | LC_ALL=C sort | xargs md5sum > DEBIAN/md5sums
            cd ..
            dpkg-deb --root-owner-group -Zxz -b "$2" "$1" > /dev/null
        ]] fix "${package}" "${root}"
        RESULT_VARIABLE result)
    file(REMOVE_RECURSE "${root}")
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "the debug-symbols package ${package} could not be rebuilt")
    endif()
endforeach()

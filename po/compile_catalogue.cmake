# cmake -DMSGFMT=msgfmt -DINPUT=LANG.po -DOUTPUT=FILE.mo -P compile_catalogue.cmake
#
# Compiles a message catalogue with msgfmt's checks of the formats and the
# header, and fails unless every message is translated and none is fuzzy: a
# message left out would reach the person in English among translated ones.

# msgfmt's statistics read the same whatever language the build runs in.
set(ENV{LC_ALL} C)
get_filename_component(folder ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
execute_process(COMMAND ${MSGFMT} --check --statistics -o ${OUTPUT}.new ${INPUT}
                RESULT_VARIABLE status ERROR_VARIABLE report)
if(NOT status EQUAL 0 OR report MATCHES "fuzzy|untranslated")
  file(REMOVE ${OUTPUT}.new ${OUTPUT})
  message(FATAL_ERROR "${INPUT} is not complete:\n${report}")
endif()
file(RENAME ${OUTPUT}.new ${OUTPUT})

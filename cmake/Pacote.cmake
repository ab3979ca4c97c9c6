# The Debian package of the program: "ninja -C build pacote" (what "./quorin pacote" runs)
# writes build/quorin-realinhamento_<version>_amd64.deb from the install rules below.
# The package's shared-library dependencies come from dpkg-shlibdeps; the ones listed
# here are what the program loads at run time without linking it: Qt's platform plugins,
# Qt's Brazilian Portuguese translations and the fonts the windows and the report ask for.

set(QUORIN_PACOTE quorin-realinhamento)
set(QUORIN_PACOTE_MANTENEDOR "Equipe QuorinRealinhamentoPreco <quorin-realinhamento@velmora.com.br>"
    CACHE STRING "Maintainer of the Debian package (name <address>)")
set(quorin_pacote_src ${PROJECT_SOURCE_DIR}/packaging)
set(quorin_pacote_doc share/doc/${QUORIN_PACOTE})

# The changelog's newest entry names the version the package is built with.
file(STRINGS ${quorin_pacote_src}/changelog quorin_changelog_top LIMIT_COUNT 1)
if(NOT quorin_changelog_top MATCHES "^${QUORIN_PACOTE} \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog starts with \"${quorin_changelog_top}\": its newest entry must be "
                      "version ${PROJECT_VERSION}, the project's version")
endif()

install(TARGETS QuorinRealinhamentoPreco quorin-pacote RUNTIME DESTINATION bin)
install(FILES ${quorin_pacote_src}/${QUORIN_PACOTE}.desktop DESTINATION share/applications)
install(FILES ${quorin_pacote_src}/icone/${QUORIN_PACOTE}.svg DESTINATION share/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${quorin_pacote_src}/icone/${QUORIN_PACOTE}-${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME ${QUORIN_PACOTE}.png)
endforeach()

# Debian wants the changelog and the manual pages compressed, without a time stamp in the gzip header.
set(quorin_pacote_gz)
foreach(file changelog man/QuorinRealinhamentoPreco.1 man/quorin-pacote.1)
  set(gz ${PROJECT_BINARY_DIR}/packaging/${file}.gz)
  get_filename_component(gz_dir ${gz} DIRECTORY)
  add_custom_command(
    OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${gz_dir}
    COMMAND sh -c "gzip -9nc \"$1\" > \"$2\"" sh ${quorin_pacote_src}/${file} ${gz}
    DEPENDS ${quorin_pacote_src}/${file}
    VERBATIM)
  list(APPEND quorin_pacote_gz ${gz})
endforeach()
add_custom_target(quorin_pacote_gz DEPENDS ${quorin_pacote_gz})
install(FILES ${quorin_pacote_src}/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${quorin_pacote_doc})
install(FILES ${PROJECT_BINARY_DIR}/packaging/man/QuorinRealinhamentoPreco.1.gz
              ${PROJECT_BINARY_DIR}/packaging/man/quorin-pacote.1.gz
        DESTINATION share/man/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${quorin_pacote_doc})

# The example process files and the price lists that close them.
file(GLOB quorin_exemplos ${PROJECT_SOURCE_DIR}/exemplos/*.KPZ ${PROJECT_SOURCE_DIR}/exemplos/*.csv)
install(FILES ${quorin_exemplos} DESTINATION ${quorin_pacote_doc}/exemplos)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${QUORIN_PACOTE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QUORIN_PACOTE_MANTENEDOR})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QUORIN_PACOTE_MANTENEDOR})
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, fonts-liberation2, fontconfig")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "propostas de realinhamento de preço em licitações públicas
O fornecedor abre o arquivo de processo (.KPZ) exportado pelo órgão comprador,
identifica-se pelo CPF ou CNPJ, informa a marca e o preço unitário realinhado
de cada item de cada lote, imprime um relatório de conferência e encerra a
proposta, gravando o arquivo PRP_<processo>_<ano>_<documento>.PRO.

Inclui a ferramenta de linha de comando quorin-pacote, que confere, importa,
exporta e preenche arquivos de processo e de proposta e grava o relatório da
proposta em PDF, RTF, planilha, texto ou metarquivo.")
include(CPack)

# Installing for the package builds only what the package holds, never the tests.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
add_custom_target(pacote
  COMMAND ${CMAKE_CPACK_COMMAND} --config ${PROJECT_BINARY_DIR}/CPackConfig.cmake
  WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
  COMMENT "Gerando ${QUORIN_PACOTE}_${PROJECT_VERSION}_amd64.deb"
  USES_TERMINAL
  VERBATIM)
add_dependencies(pacote QuorinRealinhamentoPreco quorin-pacote quorin_pacote_gz)
# The example process files are made again from their CSV files when these change.
if(TARGET quorin_exemplos)
  add_dependencies(pacote quorin_exemplos)
endif()
